#pragma once

#include <cmath>

// Four single-precision values processed side by side: four delay-line lines, four output
// samples of a filter, four read heads. Every lane performs exactly the scalar operation, so code
// written with these gives the same bits as the scalar code it replaces, as long as it keeps the
// scalar order of operations: there is no reassociation, no fused multiply-add and no
// approximation here, and the maths library's sinf/tanhf stay scalar calls, one per lane.
//
// With libstdc++ (GCC, or Clang using it) this is std::experimental::simd (four floats in one SSE
// register on baseline x86-64); where the library does not offer it, or TARNGLOAM_PORTABLE_LANES
// is defined, a plain array of four floats takes its place and gives the same results.
//
// Everything built on Lanes lives in an inline namespace named after the kind of lanes, so that a
// test can compile both kinds into one program and compare them.
// The header alone is not enough: libc++ ships <experimental/simd> without all of it (no `where`),
// so the library's own feature macro decides.
#if __has_include(<experimental/simd>) && ! defined(TARNGLOAM_PORTABLE_LANES)
 #include <experimental/simd>
#endif
#if defined(__cpp_lib_experimental_parallel_simd) && ! defined(TARNGLOAM_PORTABLE_LANES)
 #define TARNGLOAM_NATIVE_LANES 1
 #define TARNGLOAM_LANES_NAMESPACE native_lanes
#else
 #define TARNGLOAM_NATIVE_LANES 0
 #define TARNGLOAM_LANES_NAMESPACE portable_lanes
#endif

// For the small lane functions that the hot loops call many times per sample: inlined, the reads
// of consecutive calls can overlap.
#if defined(_MSC_VER)
 #define TARNGLOAM_ALWAYS_INLINE __forceinline
#elif defined(__GNUC__)
 #define TARNGLOAM_ALWAYS_INLINE inline __attribute__ ((always_inline))
#else
 #define TARNGLOAM_ALWAYS_INLINE inline
#endif

namespace tarngloam
{
inline namespace TARNGLOAM_LANES_NAMESPACE
{
#if TARNGLOAM_NATIVE_LANES
    namespace stdx = std::experimental;

    struct Lanes
    {
        static constexpr int width = 4;
        using Vector = stdx::simd<float, stdx::simd_abi::deduce_t<float, width>>;
        Vector v;

        Lanes() = default;
        Lanes (float value) : v (value) {}
        explicit Lanes (const Vector& vector) : v (vector) {}

        static Lanes load (const float* source) { return Lanes (Vector (source, stdx::element_aligned)); }
        void store (float* destination) const { v.copy_to (destination, stdx::element_aligned); }

        // Lane i is makeLane (i): for gathers from four places and for per-lane library calls.
        template <typename MakeLane>
        static Lanes generate (MakeLane&& makeLane)
        {
            return Lanes (Vector ([&] (auto i) { return makeLane (static_cast<int> (i)); }));
        }

        float operator[] (int lane) const { return v[static_cast<size_t> (lane)]; }

        friend Lanes operator+ (const Lanes& a, const Lanes& b) { return Lanes (a.v + b.v); }
        friend Lanes operator- (const Lanes& a, const Lanes& b) { return Lanes (a.v - b.v); }
        friend Lanes operator* (const Lanes& a, const Lanes& b) { return Lanes (a.v * b.v); }
        friend Lanes operator/ (const Lanes& a, const Lanes& b) { return Lanes (a.v / b.v); }

        // In each lane: `ifTrue` where a < b, else `ifFalse`.
        static Lanes selectLess (const Lanes& a, const Lanes& b, const Lanes& ifTrue, const Lanes& ifFalse)
        {
            auto result = ifFalse.v;
            stdx::where (a.v < b.v, result) = ifTrue.v;
            return Lanes (result);
        }
    };
#else
    struct Lanes
    {
        static constexpr int width = 4;
        float v[width];

        Lanes() = default;
        Lanes (float value) : v { value, value, value, value } {}

        static Lanes load (const float* source) { return generate ([&] (int i) { return source[i]; }); }
        void store (float* destination) const
        {
            for (int i = 0; i < width; ++i)
                destination[i] = v[i];
        }

        template <typename MakeLane>
        static Lanes generate (MakeLane&& makeLane)
        {
            Lanes result;
            for (int i = 0; i < width; ++i)
                result.v[i] = makeLane (i);
            return result;
        }

        float operator[] (int lane) const { return v[lane]; }

        friend Lanes operator+ (const Lanes& a, const Lanes& b) { return generate ([&] (int i) { return a.v[i] + b.v[i]; }); }
        friend Lanes operator- (const Lanes& a, const Lanes& b) { return generate ([&] (int i) { return a.v[i] - b.v[i]; }); }
        friend Lanes operator* (const Lanes& a, const Lanes& b) { return generate ([&] (int i) { return a.v[i] * b.v[i]; }); }
        friend Lanes operator/ (const Lanes& a, const Lanes& b) { return generate ([&] (int i) { return a.v[i] / b.v[i]; }); }

        static Lanes selectLess (const Lanes& a, const Lanes& b, const Lanes& ifTrue, const Lanes& ifFalse)
        {
            return generate ([&] (int i) { return a.v[i] < b.v[i] ? ifTrue.v[i] : ifFalse.v[i]; });
        }
    };
#endif

// std::max (a, b) in each lane: b where a < b, otherwise a (so a NaN b gives a).
inline Lanes maxLanes (const Lanes& a, const Lanes& b) { return Lanes::selectLess (a, b, b, a); }

// Scalar sinf in each lane: its results are part of the sound.
inline Lanes sinLanes (const Lanes& x)
{
    return Lanes::generate ([&] (int i) { return std::sin (x[i]); });
}

// The Hermite (Catmull-Rom) curve through four points per lane at the fraction t, evaluated as
// readHermite evaluates it.
inline Lanes hermiteLanes (const Lanes& ym1, const Lanes& y0, const Lanes& y1, const Lanes& y2, const Lanes& t)
{
    const Lanes c3 = ((y0 * 1.5f - ym1 * 0.5f) - y1 * 1.5f) + y2 * 0.5f;
    const Lanes c2 = ((ym1 - y0 * 2.5f) + (y1 + y1)) - y2 * 0.5f;
    const Lanes c1 = y1 * 0.5f - ym1 * 0.5f;
    return ((c3 * t + c2) * t + c1) * t + y0;
}
} // namespace TARNGLOAM_LANES_NAMESPACE
} // namespace tarngloam
