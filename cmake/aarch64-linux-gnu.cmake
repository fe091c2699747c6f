# Cross-builds for 64-bit ARM on an x86-64 Debian: the compiler from
# crossbuild-essential-arm64, the libraries from the arm64 packages installed
# beside the native ones (multiarch, so no sysroot), and moc, rcc and the
# other code generators from the native Qt, since they run during the build.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Programs are the build machine's; libraries, headers and CMake packages are
# looked up only under the arm64 multiarch folders and the shared ones.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# The few programs the build runs that it also builds (the man page writer)
# run under the emulator the arm64 check already needs.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
