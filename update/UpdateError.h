#pragma once
// How an update check fails: an exception whose text is the message the user
// is shown, word for word.

#include <stdexcept>
#include <string>

namespace velmora::update {

class UpdateError : public std::runtime_error {
public:
    explicit UpdateError(const std::string& userMessage) : std::runtime_error(userMessage) {}
};

}  // namespace velmora::update
