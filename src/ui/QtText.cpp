#include "QtText.h"

#include "TextEncoding.h"

QString ToQ(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FromQ(const QString& text) {
    return text.toStdString();
}
