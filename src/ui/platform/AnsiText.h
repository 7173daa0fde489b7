#pragma once
// Data files are Windows-1252 bytes; windows show and type Unicode text.
#include <QString>
#include <string>
#include <string_view>

namespace veltod {

QString FromAnsi(std::string_view bytes);
// Characters outside Windows-1252 become "?".
std::string ToAnsi(const QString& text);

}  // namespace veltod
