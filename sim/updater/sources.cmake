# The updater modes of the virtual devices, added to the device model.
target_sources(quillex_sim_model PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/updaterframes.h ${CMAKE_CURRENT_LIST_DIR}/updaterframes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/updatersetup.h ${CMAKE_CURRENT_LIST_DIR}/updatersetup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/writtenimage.h ${CMAKE_CURRENT_LIST_DIR}/writtenimage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/updatabledevice.h ${CMAKE_CURRENT_LIST_DIR}/updatabledevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bootloaderdevice.h ${CMAKE_CURRENT_LIST_DIR}/bootloaderdevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ch32device.h ${CMAKE_CURRENT_LIST_DIR}/ch32device.cpp
)
