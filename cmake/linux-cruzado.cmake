# Shared by the toolchain files for Debian's cross compilers to other Linux
# architectures: set TRIPLO and CMAKE_SYSTEM_PROCESSOR, then include this.
# Tests run the programs under qemu-user with the target's C library from the
# cross compiler's sysroot; libraries such as GoogleTest come from Debian's
# multiarch packages (libgtest-dev:ARCH), found below /usr/lib/TRIPLO.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${TRIPLO}-gcc)
set(CMAKE_CXX_COMPILER ${TRIPLO}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TRIPLO})

set(CMAKE_FIND_ROOT_PATH /usr/${TRIPLO})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

find_program(QEMU_PROGRAM qemu-${QEMU_ARQUITETURA})
if(QEMU_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_PROGRAM} -L /usr/${TRIPLO})
endif()
