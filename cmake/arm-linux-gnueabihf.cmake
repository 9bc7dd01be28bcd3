# Cross-builds for 32-bit ARM Linux with hardware floating point (Debian's
# armhf: ARMv7, Raspberry Pi 2 and later) with Debian's g++-arm-linux-gnueabihf.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TRIPLO arm-linux-gnueabihf)
set(QEMU_ARQUITETURA arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cruzado.cmake)
