#include "ImageBytes.h"

QByteArray& ImageBytes() {
    static QByteArray bytes;
    return bytes;
}
