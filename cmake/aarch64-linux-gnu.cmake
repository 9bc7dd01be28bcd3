# Cross-builds for 64-bit ARM Linux (Debian's arm64: Raspberry Pi 3, 4, 5 with
# a 64-bit system) with Debian's g++-aarch64-linux-gnu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TRIPLO aarch64-linux-gnu)
set(QEMU_ARQUITETURA aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cruzado.cmake)
