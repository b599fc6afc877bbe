# What JUCE 8 needs to build with MinGW-w64 for Windows x64 (cmake/mingw-w64-x86_64.cmake). These
# flags go on the targets that compile JUCE, never into the toolchain file: other code builds
# without them.

# NTDDI_VERSION declares the Direct2D 1.2/1.3 interfaces JUCE uses; _WIN32_WINNT and WINVER must
# match it, or winuser.h declares Windows 10's pointer functions without their types. MinGW lacks an
# error code the Windows Media reader needs, and JUCE leaves it off here anyway.
set(TARNGLOAM_MINGW_JUCE_DEFINITIONS
    NTDDI_VERSION=0x0A00000B _WIN32_WINNT=0x0A00 WINVER=0x0A00 JUCE_USE_WINDOWS_MEDIA_FORMAT=0)

# MSVC's headers bring memset and strlen in where JUCE's headers do not include <cstring>; code that
# includes those headers needs it too.
set(TARNGLOAM_MINGW_JUCE_OPTIONS "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include cstring>")

# MinGW ignores the #pragma comment (lib, ...) lines through which JUCE links the system libraries.
# zlib, libpng and libjpeg are the Windows builds scripts/setup.sh makes.
set(TARNGLOAM_MINGW_JUCE_LIBRARIES
    png16 jpeg z
    wininet ws2_32 winmm version shlwapi dbghelp comctl32 imm32 dwmapi
    d2d1 d3d11 dxgi dcomp dwrite sapi uuid ole32 oleaut32)

# The shipped DLL and the programs carry their C++ runtime, libgcc and winpthread, so that they
# import only DLLs that come with Windows.
set(TARNGLOAM_MINGW_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

function(tarngloam_build_juce_with_mingw target)
    target_compile_definitions(${target} PUBLIC ${TARNGLOAM_MINGW_JUCE_DEFINITIONS})
    target_compile_options(${target} PUBLIC ${TARNGLOAM_MINGW_JUCE_OPTIONS})
    target_include_directories(${target} SYSTEM PRIVATE "${TARNGLOAM_WINDOWS_LIBS}/include")
    target_link_directories(${target} PUBLIC "${TARNGLOAM_WINDOWS_LIBS}/lib")
    target_link_libraries(${target} PUBLIC ${TARNGLOAM_MINGW_JUCE_LIBRARIES})
    target_link_options(${target} PUBLIC ${TARNGLOAM_MINGW_STATIC_RUNTIME})
endfunction()

# JUCE's helper that writes the bundle's moduleinfo.json starts at wmain.
function(tarngloam_mingw_vst3_helper)
    if(TARGET juce_vst3_helper)
        target_link_options(juce_vst3_helper PRIVATE -municode ${TARNGLOAM_MINGW_STATIC_RUNTIME})
        target_compile_options(juce_vst3_helper PRIVATE ${TARNGLOAM_MINGW_JUCE_OPTIONS})
    endif()
endfunction()
