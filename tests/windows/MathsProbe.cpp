// maths_probe: evaluates the <cmath> functions the effect uses over a fixed grid of arguments and
// writes each function's results as raw little-endian values, one file per function. Built for
// Linux and for Windows, its files show which maths library results differ between the two.
//
// Usage: maths_probe OUTPUT_DIRECTORY

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace
{
constexpr int gridSize = 1 << 18;

// gridSize arguments from `low` to `high`, computed in double so that both builds get the same bits.
template <typename Real>
std::vector<Real> grid (double low, double high)
{
    std::vector<Real> arguments (gridSize);
    for (int i = 0; i < gridSize; ++i)
        arguments[static_cast<size_t> (i)] = static_cast<Real> (low + (high - low) * i / (gridSize - 1));
    return arguments;
}

template <typename Real>
bool writeResults (const std::string& path, const std::vector<Real>& arguments, const std::function<Real (Real)>& function)
{
    std::vector<Real> results;
    results.reserve (arguments.size());
    for (auto x : arguments)
        results.push_back (function (x));
    std::ofstream out (path, std::ios::binary);
    out.write (reinterpret_cast<const char*> (results.data()), static_cast<std::streamsize> (results.size() * sizeof (Real)));
    return out.good();
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: maths_probe OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    const float pi = 3.14159265358979f;
    bool ok = true;
    ok &= writeResults<float> (dir + "/sinf", grid<float> (-8.0 * pi, 8.0 * pi), [] (float x) { return std::sin (x); });
    ok &= writeResults<float> (dir + "/tanf", grid<float> (0.0, 1.55), [] (float x) { return std::tan (x); });
    ok &= writeResults<float> (dir + "/tanhf", grid<float> (-12.0, 12.0), [] (float x) { return std::tanh (x); });
    ok &= writeResults<float> (dir + "/expf", grid<float> (-30.0, 10.0), [] (float x) { return std::exp (x); });
    ok &= writeResults<float> (dir + "/powf-base2", grid<float> (-24.0, 24.0), [] (float x) { return std::pow (2.0f, x); });
    ok &= writeResults<float> (dir + "/powf-base10", grid<float> (-6.0, 3.0), [] (float x) { return std::pow (10.0f, x); });
    ok &= writeResults<float> (dir + "/powf-base0.35", grid<float> (0.0, 1.0), [] (float x) { return std::pow (0.35f, x); });
    ok &= writeResults<float> (dir + "/powf-exponent0.6", grid<float> (0.0, 1.0), [] (float x) { return std::pow (x, 0.6f); });
    ok &= writeResults<float> (dir + "/sqrtf", grid<float> (0.0, 1000.0), [] (float x) { return std::sqrt (x); });
    ok &= writeResults<double> (dir + "/sin", grid<double> (-8.0 * pi, 8.0 * pi), [] (double x) { return std::sin (x); });
    ok &= writeResults<double> (dir + "/exp", grid<double> (-30.0, 10.0), [] (double x) { return std::exp (x); });
    ok &= writeResults<double> (dir + "/pow-base10", grid<double> (-6.0, 3.0), [] (double x) { return std::pow (10.0, x); });
    if (! ok)
        std::fprintf (stderr, "maths_probe: could not write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
