#pragma once

#include <QString>
#include <string>
#include <string_view>

// The program keeps its texts as 8-bit Windows-1252 strings, as the shop's
// files hold them; widgets speak QString. These two convert between them.
namespace platform::ui {

QString toQString(std::string_view cp1252);
// Characters outside Windows-1252 become "?".
std::string fromQString(const QString& text);

}  // namespace platform::ui
