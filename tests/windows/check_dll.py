#!/usr/bin/python3
"""Checks the Windows TARNGLOAM.vst3 as Windows and its hosts see the file.

  check_dll.py WINDOWS_BUNDLE LINUX_BUNDLE

- exports exactly GetPluginFactory, InitDll and ExitDll;
- imports only DLLs that ship with Windows (the C++ runtime, libgcc and winpthread are linked in);
- its version resource: language 0409, code page 04E4, the five strings, fixed file version
  1.0.0.0 and fixed product version 0.0.0.0;
- the class IDs in its moduleinfo.json (written by loading the DLL) equal the Linux bundle's.
Runs with Debian's python3-pefile.
"""
import os
import re
import sys

import pefile

EXPORTS = {"GetPluginFactory", "InitDll", "ExitDll"}
# DLLs every 64-bit Windows 10 has in System32.
WINDOWS_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "d2d1.dll", "d3d11.dll", "dbghelp.dll", "dcomp.dll",
    "dwmapi.dll", "dwrite.dll", "dxgi.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "version.dll", "wininet.dll",
    "winmm.dll", "ws2_32.dll",
}
VERSION_STRINGS = {
    "CompanyName": "Vorla",
    "FileDescription": "TARNGLOAM",
    "FileVersion": "1.0.0",
    "ProductName": "TARNGLOAM",
    "ProductVersion": "1.0.0",
}

problems = []


def check(condition, message):
    print(("ok    " if condition else "FAIL  ") + message)
    if not condition:
        problems.append(message)


def class_ids(bundle):
    text = open(os.path.join(bundle, "Contents", "Resources", "moduleinfo.json"), encoding="utf-8").read()
    return re.findall(r'"CID":\s*"([0-9A-F]{32})"', text)


def main(windows_bundle, linux_bundle):
    dll_path = os.path.join(windows_bundle, "Contents", "x86_64-win", "TARNGLOAM.vst3")
    dll = pefile.PE(dll_path)
    print("%s: %d bytes" % (dll_path, os.path.getsize(dll_path)))

    check(dll.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"] and dll.is_dll(),
          "a 64-bit x86 DLL")

    exports = {symbol.name.decode() for symbol in dll.DIRECTORY_ENTRY_EXPORT.symbols if symbol.name}
    check(exports == EXPORTS, "exports exactly %s (has %s)" % (", ".join(sorted(EXPORTS)), ", ".join(sorted(exports))))

    imports = sorted(entry.dll.decode().lower() for entry in dll.DIRECTORY_ENTRY_IMPORT)
    foreign = [name for name in imports if name not in WINDOWS_DLLS]
    check(not foreign, "imports only DLLs that ship with Windows: %s%s"
          % (" ".join(imports), "; not: " + " ".join(foreign) if foreign else ""))

    fixed = dll.VS_FIXEDFILEINFO[0]
    file_version = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
    product_version = (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF, fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF)
    check(file_version == (1, 0, 0, 0), "fixed file version 1.0.0.0 (is %d.%d.%d.%d)" % file_version)
    check(product_version == (0, 0, 0, 0), "fixed product version 0.0.0.0 (is %d.%d.%d.%d)" % product_version)

    tables = {}
    for info in dll.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
    check(list(tables) == ["040904E4"] or list(tables) == ["040904e4"],
          "one string table, language 0409 and code page 04E4 (has %s)" % ", ".join(tables))
    strings = next(iter(tables.values()), {})
    check(strings == VERSION_STRINGS, "the five version strings %s (has %s)" % (VERSION_STRINGS, strings))

    windows_ids, linux_ids = class_ids(windows_bundle), class_ids(linux_bundle)
    check(len(windows_ids) == 3 and windows_ids == linux_ids,
          "class IDs equal the Linux build's: %s" % " ".join(windows_ids))

    if problems:
        sys.exit(1)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    main(sys.argv[1], sys.argv[2])
