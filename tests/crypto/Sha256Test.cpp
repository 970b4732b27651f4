#include <gtest/gtest.h>

#include "crypto/Sha256.h"

#include <string.h>
#include <string>
#include <vector>

namespace {

std::string ToHex(const uint8_t* p, size_t n)
{
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i)
    {
        s += d[p[i] >> 4];
        s += d[p[i] & 15];
    }
    return s;
}

std::string Digest(const std::string& msg)
{
    uint8_t out[32];
    Sha256(msg.data(), msg.size(), out);
    return ToHex(out, 32);
}

struct Vector
{
    const char* name;
    std::string message;
    const char* digest;
};

std::vector<Vector> Vectors()
{
    return {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"two-block 448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"896 bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqr"
         "stu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {"55 bytes", std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {"56 bytes", std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {"63 bytes", std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {"64 bytes", std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {"65 bytes", std::string(65, 'a'), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
    };
}

TEST(Sha256Test, StandardVectors)
{
    for (const Vector& v : Vectors())
        EXPECT_EQ(v.digest, Digest(v.message)) << v.name;
}

TEST(Sha256Test, SplitsOverSeveralUpdatesGiveTheSameDigest)
{
    for (const Vector& v : Vectors())
    {
        const std::string& m = v.message;
        // single bytes; 33, 11, 20, ...; pieces that start and end inside words
        const size_t patterns[][4] = {{1, 1, 1, 1}, {33, 11, 20, 7}, {3, 5, 2, 9}, {0, 64, 0, 1}};
        for (const auto& pat : patterns)
        {
            Sha256Context ctx;
            Sha256Init(&ctx);
            size_t pos = 0, k = 0;
            while (pos < m.size())
            {
                size_t n = std::min(pat[k++ % 4], m.size() - pos);
                Sha256Update(&ctx, m.data() + pos, n);
                pos += n;
            }
            uint8_t out[32];
            EXPECT_EQ(32, Sha256Final(&ctx, out));
            EXPECT_EQ(v.digest, ToHex(out, 32))
                << v.name << ", pieces " << pat[0] << "," << pat[1] << "," << pat[2] << "," << pat[3];
        }
    }
}

TEST(Sha256Test, OneMillionA)
{
    const char* expected = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
    std::string block(1000, 'a');
    Sha256Context ctx;
    Sha256Init(&ctx);
    for (int i = 0; i < 1000; ++i)
        Sha256Update(&ctx, block.data(), block.size());
    uint8_t out[32];
    Sha256Final(&ctx, out);
    EXPECT_EQ(expected, ToHex(out, 32)) << "1000 updates of 1000 bytes";

    Sha256Init(&ctx);
    for (int i = 0; i < 1000000; ++i)
        Sha256Update(&ctx, "a", 1);
    Sha256Final(&ctx, out);
    EXPECT_EQ(expected, ToHex(out, 32)) << "a million single bytes";
}

TEST(Sha256Test, BitCountCarriesIntoTheHighWord)
{
    Sha256Context ctx;
    Sha256Init(&ctx);
    ctx.nBitsLo = 0xFFFFFFF8u;  // as after 2^29 - 1 bytes
    Sha256Update(&ctx, "x", 1);
    EXPECT_EQ(0u, ctx.nBitsLo);
    EXPECT_EQ(1u, ctx.nBitsHi);
}

TEST(Sha256Test, ZeroLengthUpdateChangesNothing)
{
    Sha256Context ctx;
    Sha256Init(&ctx);
    Sha256Update(&ctx, "abc", 0);
    Sha256Update(&ctx, "abc", 3);
    Sha256Update(&ctx, nullptr, 0);
    uint8_t out[32];
    Sha256Final(&ctx, out);
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", ToHex(out, 32));
}

}  // namespace
