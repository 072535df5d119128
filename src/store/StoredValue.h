#pragma once

#include <QString>
#include <QVariant>

// Conversions of values read from the database into the types the program holds, with the error
// numbers of the classic conversion rules: 6 overflow, 13 type mismatch, 94 invalid use of Null.
// `what` names the value in the error description (for example "Enabled of token row 7").
namespace StoredValue {

// Whole numbers; a fractional value is rounded to the nearest integer, halves to even.
qint32 ToInt32(const QVariant& value, const QString& what);
qint16 ToInt16(const QVariant& value, const QString& what);
double ToDouble(const QVariant& value, const QString& what);
// Non-zero numbers are true; the texts "True" and "False" are accepted in any letter case.
bool ToBool(const QVariant& value, const QString& what);
// Text; numbers are written in decimal. A Null reads as empty text.
QString ToText(const QVariant& value, const QString& what);
// Text as above, but a Null is an invalid use of Null (94).
QString ToRequiredText(const QVariant& value, const QString& what);

// A double rounded to the nearest 32-bit integer (halves to even); overflow error when out of range.
qint32 RoundToInt32(double value, const QString& what);

} // namespace StoredValue
