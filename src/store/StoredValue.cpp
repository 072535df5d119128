#include "StoredValue.h"

#include "platform/RuntimeError.h"

#include <QByteArray>
#include <cmath>
#include <limits>

namespace StoredValue {
namespace {

const QString Source = QStringLiteral("clsDatabase");

[[noreturn]] void overflow(const QString& what) {
    throw RuntimeError(ErrorNumber::Overflow, Source,
                       QStringLiteral("Overflow: %1 is out of range").arg(what));
}

[[noreturn]] void mismatch(const QVariant& value, const QString& what) {
    const QString shown = value.typeId() == QMetaType::QByteArray ? QStringLiteral("binary data")
                                                                  : '"' + value.toString().left(40) + '"';
    throw RuntimeError(13, Source, QStringLiteral("Type mismatch: %1 holds %2").arg(what, shown));
}

void requireValue(const QVariant& value, const QString& what) {
    if (!value.isValid() || value.isNull())
        throw RuntimeError(94, Source, QStringLiteral("Invalid use of Null: %1 holds no value").arg(what));
}

// The numeric value of a stored integer, real or numeric text.
double numberOf(const QVariant& value, const QString& what) {
    requireValue(value, what);
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::Bool:
        return value.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            mismatch(value, what);
        return number;
    }
    default:
        mismatch(value, what);
    }
}

template <typename Int> Int roundChecked(double number, const QString& what) {
    const double rounded = std::nearbyint(number);
    if (!std::isfinite(rounded) || rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        overflow(what);
    return static_cast<Int>(rounded);
}

} // namespace

qint32 RoundToInt32(double value, const QString& what) {
    return roundChecked<qint32>(value, what);
}

qint32 ToInt32(const QVariant& value, const QString& what) {
    if (value.typeId() == QMetaType::LongLong) {
        const qint64 whole = value.toLongLong();
        if (whole < std::numeric_limits<qint32>::min() || whole > std::numeric_limits<qint32>::max())
            overflow(what);
        return qint32(whole);
    }
    return roundChecked<qint32>(numberOf(value, what), what);
}

qint16 ToInt16(const QVariant& value, const QString& what) {
    return roundChecked<qint16>(numberOf(value, what), what);
}

double ToDouble(const QVariant& value, const QString& what) {
    return numberOf(value, what);
}

bool ToBool(const QVariant& value, const QString& what) {
    requireValue(value, what);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return numberOf(value, what) != 0;
}

QString ToRequiredText(const QVariant& value, const QString& what) {
    requireValue(value, what);
    return ToText(value, what);
}

QString ToText(const QVariant& value, const QString& what) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        mismatch(value, what);
    }
}

} // namespace StoredValue
