// Folders the tests read from, fixed at configure time.
#pragma once

namespace testpaths {
inline constexpr const char* sharedXm = VELASTRIA_SHARED_XM_DIR;  // ../shared/xm (read only)
inline constexpr const char* demoDir = VELASTRIA_DEMO_DIR;        // build/demo
inline constexpr const char* toolsDir = VELASTRIA_TOOLS_DIR;      // build/tools
inline constexpr const char* sourceDir = VELASTRIA_SOURCE_DIR;
}  // namespace testpaths
