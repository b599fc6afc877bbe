# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (scripts/build.sh windows).
#
# The -posix compilers give std::thread. Windows SDK headers newer than Debian 12's MinGW-w64 (the
# Direct2D 1.2/1.3 family JUCE 8 needs) come from Debian 13's mingw-w64 headers, and zlib, libpng and
# libjpeg from the Windows builds scripts/setup.sh makes; both live in .deps/.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNGLOAM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNGLOAM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNGLOAM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNGLOAM_MINGW_TRIPLE}-windres)

get_filename_component(TARNGLOAM_DEPS_DIR "${CMAKE_CURRENT_LIST_DIR}/../.deps" ABSOLUTE)
set(TARNGLOAM_WINDOWS_HEADERS "${TARNGLOAM_DEPS_DIR}/mingw-w64/usr/share/mingw-w64/include")
set(TARNGLOAM_WINDOWS_LIBS "${TARNGLOAM_DEPS_DIR}/windows-libs")
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES "${TARNGLOAM_WINDOWS_HEADERS}")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES "${TARNGLOAM_WINDOWS_HEADERS}")
set(CMAKE_RC_STANDARD_INCLUDE_DIRECTORIES "${TARNGLOAM_WINDOWS_HEADERS}")

set(CMAKE_FIND_ROOT_PATH /usr/${TARNGLOAM_MINGW_TRIPLE} "${TARNGLOAM_WINDOWS_LIBS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must not offer the build machine's Linux libraries (lilv, say) to a Windows build.
set(ENV{PKG_CONFIG_LIBDIR} "${TARNGLOAM_WINDOWS_LIBS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Windows programs made during the build (JUCE's moduleinfo.json helper, the preset writer) run
# under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
