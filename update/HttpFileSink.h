#pragma once
// Where a downloaded body goes in file mode. The portable implementation
// writes through the C runtime (ANSI file names on Windows).

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace velmora {

// One open target file; closing happens in the destructor.
class FileSink {
public:
    virtual ~FileSink() = default;
    // Writes all of bytes; false on a write error (disk full, ...).
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Flushes and closes; false when the data could not be written out.
    [[nodiscard]] virtual bool Close() = 0;
};

class FileSinkFactory {
public:
    virtual ~FileSinkFactory() = default;
    // Creates path, replacing an existing file; null when it cannot.
    [[nodiscard]] virtual std::unique_ptr<FileSink> Create(const std::string& path) = 0;
};

class StdioFileSinkFactory final : public FileSinkFactory {
public:
    [[nodiscard]] std::unique_ptr<FileSink> Create(const std::string& path) override;
};

}  // namespace velmora
