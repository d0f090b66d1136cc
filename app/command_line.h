// What the program's command line may ask for.
#ifndef ZARVEK_APP_COMMAND_LINE_H_
#define ZARVEK_APP_COMMAND_LINE_H_

#include <string_view>
#include <vector>

namespace zarvek {

/// Opens a window of its own even when the program is running already
/// (by default a second start brings the running window to the front).
inline constexpr std::string_view kNewWindowOption = "--nueva-ventana";

/// Whether the arguments after the program's name hold kNewWindowOption,
/// exactly as written. Other arguments are ignored, as they always were.
bool AsksForNewWindow(const std::vector<std::string_view>& args);

}  // namespace zarvek

#endif  // ZARVEK_APP_COMMAND_LINE_H_
