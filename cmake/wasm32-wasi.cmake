# WebAssembly for the page: Debian's clang 19 with the WASI C library and
# libc++ built for wasm32 (no threads, no exception runtime). The module is
# a WASI reactor: the page calls its exports and supplies the few WASI
# imports it needs.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# 128-bit SIMD and the wider integer operations every current browser has.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -msimd128 -mbulk-memory -mnontrapping-fptoint -msign-ext")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-mexec-model=reactor -Wl,--export-dynamic -Wl,--no-entry")
