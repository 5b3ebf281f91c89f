// Runs a fuzz target once over every file of the folders and files given on the command line
// (seeds, regression inputs, sample files), so the test build checks them without libFuzzer.
// A missing folder is skipped: the shared sample files are not there on every machine.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& given) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (std::filesystem::is_regular_file(given, error)) {
        files.push_back(given);
    } else if (std::filesystem::is_directory(given, error)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(given, error)) {
            if (entry.is_regular_file(error)) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
    } else {
        std::printf("skipped (missing): %s\n", given.c_str());
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::size_t count = 0;
    double slowest = 0;
    std::string slowestName;
    for (int i = 1; i < argc; ++i) {
        for (const auto& path : InputsOf(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.good() && !in.eof()) {
                std::fprintf(stderr, "cannot read %s\n", path.c_str());
                return 1;
            }
            // A copy of exactly the input's size, so that a read past its end is caught.
            std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
            const auto start = std::chrono::steady_clock::now();
            static std::uint8_t none = 0;
            LLVMFuzzerTestOneInput(input.empty() ? &none : input.data(), input.size());
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (seconds > slowest) {
                slowest = seconds;
                slowestName = path.string();
            }
            ++count;
        }
    }
    std::printf("%zu inputs run", count);
    if (count > 0) {
        std::printf(", slowest %.3f s: %s", slowest, slowestName.c_str());
    }
    std::printf("\n");
    return 0;
}
