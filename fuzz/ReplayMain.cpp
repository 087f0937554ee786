// Replays the inputs kept for a fuzz target through its LLVMFuzzerTestOneInput, with any
// compiler. It only runs them: an input that crashes the target ends the process (and the
// test) with the crash, and where the sanitizers are built in they catch the rest. Each
// input's name is printed before it runs, so the log says which one it was.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The files below a folder, in a fixed order; hidden ones (.gitkeep) are not inputs.
std::vector<fs::path> inputsIn(const fs::path& folder) {
    std::vector<fs::path> inputs;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool replay(const fs::path& input) {
    std::ifstream file(input, std::ios::binary);
    if (!file.is_open()) {
        std::fprintf(stderr, "cannot read %s\n", input.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::printf("%s (%zu bytes)\n", input.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (!fs::is_directory(argv[i], error)) {
            std::fprintf(stderr, "%s: no such folder\n", argv[i]);
            return 2;
        }
        for (const fs::path& input : inputsIn(argv[i])) {
            if (!replay(input))
                return 2;
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return 0;
}
