// Values read from Tokens.db converted to what the program holds. The first byte chooses what SQLite
// handed over (nothing, NULL, an integer, a real, text or a blob); the rest is that value. Every
// conversion succeeds or raises error 6 (overflow), 13 (type mismatch) or 94 (invalid use of Null).
#include "FuzzSupport.h"
#include "platform/RuntimeError.h"
#include "store/StoredValue.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::QuietMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).mid(1);
    qint64 integer = 0;
    double real = 0;
    std::memcpy(&integer, bytes.constData(), std::min(size_t(bytes.size()), sizeof integer));
    std::memcpy(&real, bytes.constData(), std::min(size_t(bytes.size()), sizeof real));
    const QVariant kinds[] = {
        {}, QVariant(QMetaType(QMetaType::QString)), integer, real, QString::fromUtf8(bytes), bytes};
    const QVariant value = size == 0 ? QVariant() : kinds[data[0] % 6];
    const auto convert = [&](auto conversion) {
        try {
            conversion(value, QStringLiteral("Value of token row 1"));
        } catch (const RuntimeError& error) {
            if (error.Number() != 6 && error.Number() != 13 && error.Number() != 94)
                qFatal("unexpected error number %d", error.Number());
        }
    };
    convert(StoredValue::ToInt32);
    convert(StoredValue::ToInt16);
    convert(StoredValue::ToDouble);
    convert(StoredValue::ToBool);
    convert(StoredValue::ToText);
    convert(StoredValue::ToRequiredText);
    convert([real](const QVariant&, const QString& what) { return StoredValue::RoundToInt32(real, what); });
    return 0;
}
