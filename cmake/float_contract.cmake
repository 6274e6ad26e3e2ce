# The show's floating-point contract. Every build draws the same frames and
# plays the same samples only when each double operation is rounded on its
# own, to double precision, so everything built here (the show, the capture,
# the check runs, the browser build, the content and tune generators, the
# tests and fuzzers) is compiled with:
#  - no contraction of a * b + c into a fused multiply-add: GCC fuses across
#    statements wherever the CPU has FMA (always on arm64, on x86-64 with
#    -march=haswell or native) and ignores the C pragma that would stop it;
#    Clang fuses within an expression;
#  - no fast-math reassociation or approximate reciprocals;
#  - on 32-bit x86, SSE2 arithmetic: the x87 unit would keep intermediate
#    results in 80 bits.
# Included by CMakeLists.txt and web/CMakeLists.txt (Emscripten).
add_compile_options(-ffp-contract=off -fno-fast-math)

include(CheckCXXSourceCompiles)
check_cxx_source_compiles("#ifndef __i386__\n#error not 32-bit x86\n#endif\nint main() { return 0; }"
                          TUNDRIX_X86_32)
if(TUNDRIX_X86_32)
  add_compile_options(-msse2 -mfpmath=sse)
endif()
