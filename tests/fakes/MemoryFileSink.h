#pragma once
// Target files kept in memory, with the size of every write recorded and
// switches that make creating, writing or closing fail.

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "update/HttpFileSink.h"

namespace velmora::fakes {

struct MemoryFile {
    std::string Data;
    std::vector<std::size_t> Writes;
    bool Open = true;
};

class MemoryFileSinkFactory final : public FileSinkFactory {
public:
    std::map<std::string, std::shared_ptr<MemoryFile>> Files;
    bool FailCreate = false;
    bool FailWrite = false;
    bool FailClose = false;

    std::unique_ptr<FileSink> Create(const std::string& path) override {
        if (FailCreate) return nullptr;
        auto file = std::make_shared<MemoryFile>();
        Files[path] = file;
        return std::make_unique<Sink>(file, *this);
    }

private:
    class Sink final : public FileSink {
    public:
        Sink(std::shared_ptr<MemoryFile> file, MemoryFileSinkFactory& owner) : file_(std::move(file)), owner_(owner) {}
        ~Sink() override { file_->Open = false; }
        bool Write(std::span<const std::uint8_t> bytes) override {
            if (owner_.FailWrite) return false;
            file_->Writes.push_back(bytes.size());
            file_->Data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            return true;
        }
        bool Close() override {
            file_->Open = false;
            return !owner_.FailClose;
        }

    private:
        std::shared_ptr<MemoryFile> file_;
        MemoryFileSinkFactory& owner_;
    };
};

}  // namespace velmora::fakes
