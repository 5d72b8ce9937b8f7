// Helpers of the backup and ZIP tests: file bytes under GBK names (through the file layer, as
// the program names files), folder listings, a fault that fails writes part-way, and hand-built
// ZIP archives (a tiny writer of the format, so names, sizes, flags and bytes can be anything a
// hostile archive holds) with the corpus of archives that must be refused writing nothing.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace qm::testing {

inline std::string Slurp(const std::string& path) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    fileio::FileStat st;
    if (!f || !fileio::StatFile(f, &st)) return fileio::CloseFile(f), "<missing>";
    std::string s(st.size, '\0');
    std::size_t got = 0;
    fileio::ReadAt(f, 0, s.data(), s.size(), &got);
    fileio::CloseFile(f);
    s.resize(got);
    return s;
}

inline void Spit(const std::string& path, const std::string& bytes) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::CreateAlways);
    ASSERT_NE(f, nullptr) << path;
    ASSERT_TRUE(fileio::WriteAt(f, 0, bytes.data(), bytes.size()));
    fileio::CloseFile(f);
}

inline std::string RandomBytes(std::size_t n) {
    std::mt19937 gen(7);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

// Every entry below a folder, as relative names (so a test sees whatever appeared anywhere in it).
inline std::vector<std::string> Tree(const std::filesystem::path& root) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        names.push_back(std::filesystem::relative(e.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

// Fails the n-th write of the file layer (1-based) and every later one.
struct FailWritesFrom {
    explicit FailWritesFrom(int n) {
        fileio::SetFaultHook([n, count = 0](fileio::Op op) mutable {
            return op == fileio::Op::Write && ++count >= n ? fileio::Fault::Fail : fileio::Fault::None;
        });
    }
    ~FailWritesFrom() { fileio::SetFaultHook({}); }
};

struct CraftedMember {
    std::string name;
    std::string data;
    bool deflate = true;
    std::uint16_t method = 0;    // 0: stored or deflated as above; else written as is
    std::uint16_t flags = 0;     // bit 0: encrypted
    std::int64_t declared = -1;  // uncompressed size written in the headers; -1: the real one
    std::string localName{};     // name in the local header; empty: the same as name
};

inline std::string Deflated(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline void Put(std::string* s, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::string BuildZip(const std::vector<CraftedMember>& members) {
    std::string out, central;
    for (const CraftedMember& m : members) {
        const std::string body = m.deflate ? Deflated(m.data) : m.data;
        const std::uint16_t method = m.method ? m.method : (m.deflate ? 8 : 0);
        const auto crc =
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size()));
        const std::uint64_t size = m.declared < 0 ? m.data.size() : static_cast<std::uint64_t>(m.declared);
        const std::string& local = m.localName.empty() ? m.name : m.localName;
        const std::uint64_t offset = out.size();
        auto common = [&](std::string* s, std::size_t nameLength) {
            Put(s, 20, 2), Put(s, m.flags, 2), Put(s, method, 2), Put(s, 0x3E540000, 4);  // 2011-02-20
            Put(s, crc, 4), Put(s, body.size(), 4), Put(s, size, 4), Put(s, nameLength, 2), Put(s, 0, 2);
        };
        Put(&out, 0x04034b50, 4);
        common(&out, local.size());
        out += local + body;
        Put(&central, 0x02014b50, 4);
        Put(&central, (11 << 8) | 20, 2);
        common(&central, m.name.size());
        Put(&central, 0, 2), Put(&central, 0, 2), Put(&central, 0, 2), Put(&central, 0x20, 4);
        Put(&central, offset, 4);
        central += m.name;
    }
    const std::uint64_t start = out.size();
    out += central;
    Put(&out, 0x06054b50, 4), Put(&out, 0, 4);
    Put(&out, members.size(), 2), Put(&out, members.size(), 2);
    Put(&out, central.size(), 4), Put(&out, start, 4), Put(&out, 0, 2);
    return out;
}

struct CraftedArchive {
    std::string what;
    std::string bytes;
};

// Archives that must be refused as a whole, each beside a good first member where that matters
// (a refused archive writes none of its members).
inline std::vector<CraftedArchive> HostileArchives() {
    const CraftedMember good{"网站数据库.edb", "good store bytes"};
    auto named = [&](const std::string& name) { return BuildZip({good, {name, "x"}}); };
    std::vector<CraftedArchive> c = {
        {"parent folder", named("../evil.edb")},
        {"parent folder, backslash", named("..\\evil.edb")},
        {"folder part", named("sub/evil.edb")},
        {"absolute", named("/evil.edb")},
        {"drive", named("C:evil.edb")},
        {"drive root", named("C:\\evil.edb")},
        {"UNC", named("\\\\server\\share\\evil.edb")},
        {"device", named("COM1")},
        {"device with extension", named("nul.edb")},
        {"console", named("CON")},
        {"alternate stream", named("网站数据库.edb:evil")},
        {"NUL byte", named(std::string("evil\0.edb", 9))},
        {"dot dot", named("..")},
        {"trailing dot", named("evil.edb.")},
        {"trailing space", named("evil.edb ")},
        {"control character", named("evil\t.edb")},
        {"wildcard", named("evil*.edb")},
        {"invalid GBK", named("evil\xFF.edb")},
        {"duplicate name", BuildZip({good, {"网站数据库.EDB", "x"}})},
        {"encrypted", BuildZip({good, {"b.edb", "x", true, 0, 1}})},
        {"unknown method", BuildZip({good, {"b.edb", "x", false, 12}})},
        {"no members", BuildZip({})},
        {"lying size", BuildZip({good, {"b.edb", std::string(4000, 'a'), true, 0, 0, 10}})},
        {"name differs in local header", BuildZip({good, {"b.edb", "x", true, 0, 0, -1, "../b.edb"}})},
        {"declared 2 GiB", BuildZip({good, {"b.edb", "x", true, 0, 0, 0x7FFFFFFF}})},
        {"ratio bomb", BuildZip({good, {"b.edb", std::string(8u << 20, '\0')}})},
    };
    std::vector<CraftedMember> many(65, good);
    for (std::size_t i = 0; i < many.size(); ++i) many[i].name = "m" + std::to_string(i) + ".edb";
    c.push_back({"65 members", BuildZip(many)});
    const std::string whole = BuildZip({good, {"b.edb", std::string(5000, 'q') + "tail"}});
    c.push_back({"truncated", whole.substr(0, whole.size() / 2)});
    std::string flipped = whole;
    flipped[30 + good.name.size() + 3] ^= 0x10;  // inside the first member's deflated bytes
    c.push_back({"bit flipped", flipped});
    std::string nameFlipped = whole;
    nameFlipped[nameFlipped.rfind("b.edb")] ^= 0x01;  // the central directory's copy: "c.edb"
    c.push_back({"name bit flipped", nameFlipped});
    return c;
}

}  // namespace qm::testing
