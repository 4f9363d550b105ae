// Conversions between the store's byte strings and Qt's strings. Data files are UTF-8; a byte
// sequence that is not valid UTF-8 is shown as Latin-1 so that no file makes the program fail.
#pragma once

#include <QString>
#include <string>
#include <string_view>

QString ToQ(std::string_view bytes);
std::string FromQ(const QString& text);
