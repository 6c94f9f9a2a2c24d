# Cross build for arm64 (Raspberry Pi 4/5, arm64 servers) with Debian's cross toolchain
# (crossbuild-essential-arm64) against a folder of arm64 Debian packages: the libraries are
# unpacked into a sysroot instead of being installed as multiarch packages, because several
# arm64 -dev packages (libpq-dev, Qt) would push their amd64 twins out of the build machine.
# scripts/cross-arm64.sh fills the sysroot and uses this file.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake [-DKUB_ARM64_SYSROOT=DIR] …
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# try_compile() reads this file again in a folder of its own: the sysroot travels along.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KUB_ARM64_SYSROOT)
if(NOT KUB_ARM64_SYSROOT)
  set(KUB_ARM64_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build-arm64/sysroot")
endif()
get_filename_component(KUB_ARM64_SYSROOT "${KUB_ARM64_SYSROOT}" ABSOLUTE)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_SYSROOT "${KUB_ARM64_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH "${KUB_ARM64_SYSROOT}")
# Programs run on the build machine (moc, rcc, gzip); libraries and headers come from arm64.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see the arm64 .pc files only, with their paths moved into the sysroot.
set(ENV{PKG_CONFIG_DIR} "")
set(ENV{PKG_CONFIG_LIBDIR}
  "${KUB_ARM64_SYSROOT}/usr/lib/aarch64-linux-gnu/pkgconfig:${KUB_ARM64_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${KUB_ARM64_SYSROOT}")

# Qt's code generators (moc, rcc) are the build machine's own.
set(QT_HOST_PATH "/usr")
set(QT_HOST_PATH_CMAKE_DIR "/usr/lib/x86_64-linux-gnu/cmake")

# Test discovery and the tests themselves run under qemu-user; the dynamic loader and the
# libraries are the sysroot's.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64 -L "${KUB_ARM64_SYSROOT}")

