# Cross build for 64-bit Arm with Debian's cross compiler and the arm64
# libraries installed beside the native ones (multiarch). Programs built
# here run under qemu-aarch64, which finds those libraries in their
# multiarch places.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)

# Libraries and headers of the target only; programs (moc, pkg-config) of
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
# Qt's code generators (moc, uic, rcc) come from the native Qt.
set(QT_HOST_PATH /usr)
