# The carousel's pixel row kernels for the processor built for. On x86-64: the SSE2, AVX2 and
# AVX-512 versions (the widest the processor has chosen at run time), the portable version and
# the x86 choice between them. Elsewhere: the portable version and a choice that always takes it.
# Sets TESSARO_PIXEL_KERNEL_SOURCES (absolute paths) for the library that holds src/carousel; that
# library's own file list must leave out src/carousel/CarouselRows*.cpp and CarouselSimd.h.
option(TESSARO_FORCE_PORTABLE_KERNELS "Build only the portable pixel kernels, even on x86-64" OFF)

cmake_path(SET _tessaro_kernel_dir NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../src/carousel")
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" _tessaro_processor)
# SSE2 belongs to x86-64; compilers for 32-bit x86 do not assume it, so those builds go portable.
if(_tessaro_processor MATCHES "^(x86|x86_64|amd64)$" AND NOT CMAKE_SIZEOF_VOID_P EQUAL 4
   AND NOT TESSARO_FORCE_PORTABLE_KERNELS)
    set(TESSARO_PIXEL_KERNEL_SOURCES
        ${_tessaro_kernel_dir}/CarouselRowsPortable.cpp
        ${_tessaro_kernel_dir}/CarouselRowsSse2.cpp
        ${_tessaro_kernel_dir}/CarouselRowsAvx2.cpp
        ${_tessaro_kernel_dir}/CarouselRowsAvx512.cpp
        ${_tessaro_kernel_dir}/CarouselSimd.h
        ${_tessaro_kernel_dir}/CarouselRowsDispatchX86.cpp)
    message(STATUS "Pixel kernels: SSE2, AVX2, AVX-512 and portable (${CMAKE_SYSTEM_PROCESSOR})")
else()
    set(TESSARO_PIXEL_KERNEL_SOURCES
        ${_tessaro_kernel_dir}/CarouselRowsPortable.cpp
        ${_tessaro_kernel_dir}/CarouselRowsDispatchPortable.cpp)
    message(STATUS "Pixel kernels: portable only (${CMAKE_SYSTEM_PROCESSOR})")
endif()
unset(_tessaro_kernel_dir)
unset(_tessaro_processor)
