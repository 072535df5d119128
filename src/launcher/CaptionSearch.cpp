#include "CaptionSearch.h"

#include <algorithm>

int CaptionSearch::FindFrom(const QStringList& pCaptions, const QString& pPrefix, int pStart) {
    const int count = int(pCaptions.size());
    if (count == 0 || pPrefix.isEmpty())
        return -1;
    const int start = ((pStart % count) + count) % count;
    for (int i = 0; i < count; ++i) {
        const int position = (start + i) % count;
        if (pCaptions[position].startsWith(pPrefix, Qt::CaseInsensitive))
            return position;
    }
    return -1;
}

int CaptionSearch::Type(QChar pTyped, qint64 pSinceLast, const QStringList& pCaptions, int pFront) {
    if (pSinceLast < 0 || pSinceLast > RestartAfter)
        mText.clear();
    const QString text = mText + pTyped;
    const bool sameAgain = text.size() > 1 && text.count(text.front(), Qt::CaseInsensitive) == text.size();
    int found;
    if (mText.isEmpty() || sameAgain)
        found = FindFrom(pCaptions, QString(pTyped), pFront + 1);
    else
        found = FindFrom(pCaptions, text, std::max(pFront, 0));
    if (found >= 0)
        mText = text;
    return found;
}
