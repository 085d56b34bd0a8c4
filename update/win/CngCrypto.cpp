#include "update/win/CngCrypto.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

namespace {

constexpr std::size_t kCoordinateBytes = 32;

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::BCryptDestroyKey(h); }
};
struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::BCryptDestroyHash(h); }
};
using Algorithm = UniqueHandle<AlgorithmTraits>;
using Key = UniqueHandle<KeyTraits>;
using Hash = UniqueHandle<HashTraits>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

Algorithm Open(const wchar_t* name) {
    Algorithm algorithm;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(algorithm.put(), name, nullptr, 0))) algorithm.reset();
    return algorithm;
}

// CryptoAPI gives r and s as little-endian integers of their own length;
// CNG takes them big-endian, 32 bytes each.
bool AppendBigEndian(const CRYPT_UINT_BLOB& value, std::vector<UCHAR>& out) {
    std::vector<UCHAR> bytes(value.pbData, value.pbData + value.cbData);
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    if (bytes.size() > kCoordinateBytes) return false;
    bytes.resize(kCoordinateBytes, 0);
    out.insert(out.end(), bytes.rbegin(), bytes.rend());
    return true;
}

// SHA-256 built step by step, as Windows 7 has it.
class Sha256Hasher {
public:
    Sha256Hasher() : algorithm_(Open(BCRYPT_SHA256_ALGORITHM)) {
        if (!algorithm_ || !Succeeded(::BCryptCreateHash(algorithm_.get(), hash_.put(), nullptr, 0, nullptr, 0, 0)))
            hash_.reset();
    }
    [[nodiscard]] bool Add(std::string_view bytes) {
        if (!hash_) return false;
        // BCryptHashData takes at most a ULONG at a time.
        for (std::string_view rest = bytes; !rest.empty();) {
            const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(rest.size(), 1u << 30));
            auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(rest.data()));
            if (!Succeeded(::BCryptHashData(hash_.get(), data, chunk, 0))) return false;
            rest.remove_prefix(chunk);
        }
        return true;
    }
    [[nodiscard]] std::optional<Sha256Digest> Finish() {
        Sha256Digest digest{};
        if (!hash_ || !Succeeded(::BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
            return std::nullopt;
        return digest;
    }

private:
    Algorithm algorithm_;
    Hash hash_;
};

}  // namespace

std::optional<Sha256Digest> Sha256(std::string_view bytes) {
    Sha256Hasher hasher;
    if (!hasher.Add(bytes)) return std::nullopt;
    return hasher.Finish();
}

std::optional<Sha256Digest> FileSha256(const std::string& path) {
    const FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    Sha256Hasher hasher;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return std::nullopt;
        if (read == 0) return hasher.Finish();
        if (!hasher.Add(std::string_view(buffer.data(), read))) return std::nullopt;
    }
}

bool VerifyEcdsaP256Sha256(std::string_view message, std::string_view der, std::string_view publicPoint) {
    if (publicPoint.size() != 1 + 2 * kCoordinateBytes || publicPoint[0] != 0x04) return false;

    CERT_ECC_SIGNATURE* decoded = nullptr;
    DWORD decodedSize = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ECC_SIGNATURE, reinterpret_cast<const BYTE*>(der.data()),
                               static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded,
                               &decodedSize))
        return false;
    const LocalMemory decodedOwner(decoded);
    std::vector<UCHAR> signature;
    if (!AppendBigEndian(decoded->r, signature) || !AppendBigEndian(decoded->s, signature)) return false;

    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB));
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateBytes};
    std::memcpy(blob.data(), &header, sizeof header);
    blob.insert(blob.end(), publicPoint.begin() + 1, publicPoint.end());

    const Algorithm ecdsa = Open(BCRYPT_ECDSA_P256_ALGORITHM);
    Key key;
    if (!ecdsa || !Succeeded(::BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(), blob.data(),
                                                   static_cast<ULONG>(blob.size()), 0)))
        return false;
    const std::optional<Sha256Digest> digest = Sha256(message);
    if (!digest) return false;
    return Succeeded(::BCryptVerifySignature(key.get(), nullptr, const_cast<UCHAR*>(digest->data()),
                                             static_cast<ULONG>(digest->size()), signature.data(),
                                             static_cast<ULONG>(signature.size()), 0));
}

}  // namespace velmora::win
