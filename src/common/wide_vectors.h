#pragma once
// The few sample loops that are worth it get two copies on x86-64: one for processors
// with AVX2 (eight floats or four doubles per instruction instead of four or two) and one
// for every other; the loader picks one once at start-up. AVX2 alone does not let the
// compiler fuse a product and a sum (that would be FMA), so both copies do the very same
// operations in the same order and give the same numbers to the last bit: a recording
// decodes alike on every machine.
//
// Elsewhere (arm64, clang, a sanitizer build, or a build that asks for one copy with
// KUB_ONE_COPY) the plain loop: clang's fuzzing and sanitizer builds do not link the
// loader-picked copies.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__) && !defined(KUB_ONE_COPY)
#define KUB_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define KUB_WIDE_VECTORS
#endif
