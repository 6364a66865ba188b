// Runs a fuzz target as a plain test program: every seed input given on the
// command line (files, or folders of files), then a fixed number of
// deterministic variations of each (bytes flipped, cut, repeated, spliced).
// The same target builds unchanged against libFuzzer (TABLO_LIBFUZZER), which
// brings its own main. FUZZ_RUNS sets the variations per seed (default 200).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// With FUZZ_KEEP set, each input is written to that file before it runs, so
// the one that failed is left there.
void run(const std::string& s) {
  static const char* keep = std::getenv("FUZZ_KEEP");
  if (keep) std::ofstream(keep, std::ios::binary | std::ios::trunc) << s;
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

std::string vary(const std::string& seed, const std::vector<std::string>& all, std::mt19937& gen) {
  std::string s = seed;
  const int edits = 1 + int(gen() % 8);
  for (int e = 0; e < edits; ++e) {
    const size_t n = s.size();
    switch (gen() % 6) {
      case 0:   // flip a bit
        if (n) s[gen() % n] ^= char(1u << (gen() % 8));
        break;
      case 1:   // a byte of any value
        if (n) s[gen() % n] = char(gen() & 0xFF);
        break;
      case 2:   // cut
        if (n) s.resize(gen() % n);
        break;
      case 3: {  // repeat a piece
        if (!n) break;
        const size_t at = gen() % n, len = 1 + gen() % std::min<size_t>(n - at, 64);
        s.insert(at, s.substr(at, len));
        break;
      }
      case 4: {  // splice in a piece of another seed
        const std::string& o = all[gen() % all.size()];
        if (o.empty()) break;
        const size_t at = gen() % o.size();
        s.insert(n ? gen() % n : 0, o.substr(at, 1 + gen() % std::min<size_t>(o.size() - at, 128)));
        break;
      }
      default:  // special bytes
        s.insert(n ? gen() % n : 0, std::string(1, "\n\r=[];\"\\\0\xFF"[gen() % 11]));
        break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::string> seeds;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      std::vector<std::filesystem::path> files;
      for (const auto& e : std::filesystem::directory_iterator(p))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) seeds.push_back(readFile(f));
    } else {
      seeds.push_back(readFile(p));
    }
  }
  seeds.push_back(std::string());
  const char* env = std::getenv("FUZZ_RUNS");
  const long runs = env ? std::strtol(env, nullptr, 10) : 50;
  std::mt19937 gen(20261207);
  long total = 0;
  for (const std::string& s : seeds) {
    run(s);
    ++total;
    for (long k = 0; k < runs; ++k, ++total) run(vary(s, seeds, gen));
  }
  std::printf("%zu seeds, %ld inputs: no failure\n", seeds.size(), total);
  return 0;
}
