#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// A broken property has to end the run the way a sanitizer report does, so
// that libFuzzer keeps the input and the run fails.
#define FUZZ_REQUIRE(condition)                                                        \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "property broken: %s at %s:%d\n", #condition,        \
                         __FILE__, __LINE__);                                          \
            std::abort();                                                              \
        }                                                                              \
    } while (false)

// Bytes in a heap block of exactly their size. QByteArray's own storage has
// spare room and a closing NUL behind the data, which would hide a read one
// past the end from AddressSanitizer; this does not.
class ExactBytes {
public:
    ExactBytes(const void *data, std::size_t size)
        : m_storage(new char[size]), m_size(size)
    {
        if (size > 0)
            std::memcpy(m_storage.get(), data, size);
    }
    explicit ExactBytes(const QByteArray &bytes)
        : ExactBytes(bytes.constData(), std::size_t(bytes.size()))
    {
    }

    // Shares the block; valid while this object lives.
    QByteArray view() const { return QByteArray::fromRawData(m_storage.get(), qsizetype(m_size)); }
    qsizetype size() const { return qsizetype(m_size); }

private:
    std::unique_ptr<char[]> m_storage;
    std::size_t m_size;
};
