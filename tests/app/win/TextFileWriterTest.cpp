#include "app/win/TextFileWriter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace velmora::win {
namespace {

std::string TempPath(const char* name) {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(WriteWholeFile, ReplacesAnExistingFileWithExactlyTheBytes) {
    const std::string path = TempPath("velmora-writer-test.txt");
    WriteWholeFile(path, "an old and longer text\r\n");
    WriteWholeFile(path, std::string("Model: X\r\n\0\xE9\r\n", 14));
    EXPECT_EQ(ReadAll(path), std::string("Model: X\r\n\0\xE9\r\n", 14));
    ::DeleteFileA(path.c_str());
}

TEST(WriteWholeFile, FailureRaisesATextNamingThePath) {
    const std::string path = TempPath("no-such-folder-velmora\\smart.txt");
    try {
        WriteWholeFile(path, "x");
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace velmora::win
