#include "update/HttpFileSink.h"

#include <cstdio>

namespace velmora {
namespace {

class StdioFileSink final : public FileSink {
public:
    explicit StdioFileSink(std::FILE* file) : file_(file) {}
    ~StdioFileSink() override {
        if (file_ != nullptr) static_cast<void>(std::fclose(file_));
    }
    StdioFileSink(const StdioFileSink&) = delete;
    StdioFileSink& operator=(const StdioFileSink&) = delete;

    bool Write(std::span<const std::uint8_t> bytes) override {
        if (file_ == nullptr) return false;
        return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
    }

    bool Close() override {
        if (file_ == nullptr) return false;
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

private:
    std::FILE* file_;
};

}  // namespace

std::unique_ptr<FileSink> StdioFileSinkFactory::Create(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return nullptr;
    return std::make_unique<StdioFileSink>(file);
}

}  // namespace velmora
