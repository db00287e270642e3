# gdiplus.dll as a delay import (delay_import.cmake says why); resources/gdiplus_startup.cpp
# loads the system folder's copy before the first GDI+ call.
# Defines LUMORA_GDIPLUS_DELAY_LIB, the path of the library to link before gdiplus.
include("${CMAKE_CURRENT_LIST_DIR}/delay_import.cmake")
lumora_delay_import(gdiplus 100 LUMORA_GDIPLUS_DELAY_LIB)
# winhttp.dll too: server folders load the system's copy before their first WinHTTP call.
lumora_delay_import(winhttp 20 LUMORA_WINHTTP_DELAY_LIB)
