#pragma once
// A settings store held in a map, with the registry's typing: integer values
// (REG_DWORD) and text values (REG_SZ) and, to test type errors, binary
// ones. Switches make the key missing, its creation fail or single writes
// fail; every open is counted by kind.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "update/SettingsStore.h"

namespace velmora::fakes {

struct BinaryValue {
    friend bool operator==(const BinaryValue&, const BinaryValue&) = default;
};
using StoredValue = std::variant<std::int32_t, std::string, BinaryValue>;

class FakeSettingsStore final : public update::SettingsStore {
public:
    std::unique_ptr<update::SettingsKey> Open(update::SettingsAccess access) override {
        if (access == update::SettingsAccess::ReadOnly) {
            ++ReadOnlyOpens;
            if (!KeyExists) return nullptr;
        } else {
            ++WritableOpens;
            if (FailCreate) throw update::SettingsError("cannot create");
            KeyExists = true;
        }
        return std::make_unique<Key>(*this, access == update::SettingsAccess::ReadOnly);
    }

    bool KeyExists = false;
    bool FailCreate = false;
    std::set<std::string> FailWritesOf;
    std::map<std::string, StoredValue> Values;
    std::vector<std::string> Writes;  // names, in order
    int ReadOnlyOpens = 0;
    int WritableOpens = 0;

private:
    class Key final : public update::SettingsKey {
    public:
        Key(FakeSettingsStore& store, bool readOnly) : store_(store), readOnly_(readOnly) {}

        bool ValueExists(std::string_view name) override { return store_.Values.count(std::string(name)) != 0; }
        bool ReadBool(std::string_view name) override { return ReadInteger(name) != 0; }
        std::int32_t ReadInteger(std::string_view name) override {
            const auto found = store_.Values.find(std::string(name));
            if (found == store_.Values.end() || !std::holds_alternative<std::int32_t>(found->second))
                throw update::InvalidDataType(name);
            return std::get<std::int32_t>(found->second);
        }
        std::string ReadString(std::string_view name) override {
            const auto found = store_.Values.find(std::string(name));
            if (found == store_.Values.end()) return {};
            if (!std::holds_alternative<std::string>(found->second)) throw update::InvalidDataType(name);
            return std::get<std::string>(found->second);
        }
        void WriteBool(std::string_view name, bool value) override { Write(name, std::int32_t{value ? 1 : 0}); }
        void WriteInteger(std::string_view name, std::int32_t value) override { Write(name, value); }
        void WriteString(std::string_view name, std::string_view value) override {
            Write(name, std::string(value));
        }

    private:
        void Write(std::string_view name, StoredValue value) {
            if (readOnly_ || store_.FailWritesOf.count(std::string(name)) != 0) throw update::FailedToSetData(name);
            store_.Writes.emplace_back(name);
            store_.Values[std::string(name)] = std::move(value);
        }

        FakeSettingsStore& store_;
        bool readOnly_;
    };
};

}  // namespace velmora::fakes
