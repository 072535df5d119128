// Values read from Tokens.db converted to what the program holds. The first byte chooses what SQLite
// handed over (nothing, NULL, an integer, a real, text or a blob); the rest is that value.
#include "FuzzSupport.h"
#include "platform/RuntimeError.h"
#include "store/StoredValue.h"

#include <cstring>

namespace {

template <typename Number> Number numberFrom(const uint8_t* data, size_t size) {
    Number number{};
    std::memcpy(&number, data, std::min(size, sizeof number));
    return number;
}

QVariant storedValue(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    const uint8_t kind = data[0] % 6;
    ++data;
    --size;
    switch (kind) {
    case 0:
        return {};
    case 1:
        return QVariant(QMetaType(QMetaType::QString)); // NULL
    case 2:
        return QVariant(numberFrom<qint64>(data, size));
    case 3:
        return QVariant(numberFrom<double>(data, size));
    case 4:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    default:
        return QVariant(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    }
}

template <typename Convert> void convert(Convert conversion, const QVariant& value) {
    try {
        conversion(value, QStringLiteral("Value of token row 1"));
    } catch (const RuntimeError& error) {
        if (error.Number() != 6 && error.Number() != 13 && error.Number() != 94)
            qFatal("unexpected error number %d", error.Number());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::QuietMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QVariant value = storedValue(data, size);
    convert(StoredValue::ToInt32, value);
    convert(StoredValue::ToInt16, value);
    convert(StoredValue::ToDouble, value);
    convert(StoredValue::ToBool, value);
    convert(StoredValue::ToText, value);
    convert(StoredValue::ToRequiredText, value);
    const double real = size > 1 ? numberFrom<double>(data + 1, size - 1) : 0.0;
    convert([real](const QVariant&, const QString& what) { return StoredValue::RoundToInt32(real, what); },
            value);
    return 0;
}
