# Key table and mouse translation without Qt: the Windows hook, the raw-input decoder and the X
# observer share them; the Win32 cores' own build takes them from here too.
add_library(quillex_inputtranslation STATIC
    ${CMAKE_CURRENT_LIST_DIR}/keytranslation.h ${CMAKE_CURRENT_LIST_DIR}/keytranslation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mousetranslation.h ${CMAKE_CURRENT_LIST_DIR}/mousetranslation.cpp)
target_include_directories(quillex_inputtranslation PUBLIC ${CMAKE_SOURCE_DIR})
