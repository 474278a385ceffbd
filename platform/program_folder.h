// The folder of the running program file, where its companions live.
#pragma once

#include <QString>

namespace platform {

// The folder of the running executable, ending in '/'.
QString program_folder();

} // namespace platform
