#pragma once

#include <QString>
#include <QStringList>

// Type to jump: the text typed on the carousel and the search for the token to bring to the front,
// the next one on the level whose caption begins with that text, ignoring case.
//
// The first character of a new text, and a character that repeats the text's only character ("a",
// "a"), look from the token after the front one onwards, wrapping round, so that the same letter
// typed again steps through the tokens that begin with it. A character that lengthens the text looks
// from the front token itself onwards, which keeps the front token while it still matches.
class CaptionSearch {
public:
    // Milliseconds without typing after which the next character begins a new text.
    static constexpr qint64 RestartAfter = 1000;

    // Adds the typed character. pSinceLast is the time in milliseconds since the character before
    // (negative when there was none); pFront the position of the front token in pCaptions (-1 for
    // none). Returns the position of the caption to bring to the front, or -1 when none begins with
    // the text; the character is then dropped, and the text stays what it was.
    int Type(QChar pTyped, qint64 pSinceLast, const QStringList& pCaptions, int pFront);
    // The text typed so far.
    const QString& Text() const { return mText; }
    // Begins a new text with the next character.
    void Clear() { mText.clear(); }

    // The position of the first caption beginning with pPrefix (ignoring case), looking from pStart
    // onwards and wrapping round; -1 when there is none.
    static int FindFrom(const QStringList& pCaptions, const QString& pPrefix, int pStart);

private:
    QString mText;
};
