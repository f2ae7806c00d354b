// The record of the program to start, at the end of the stub's padding:
// what the packer writes reads back, and every malformed record is refused
// with the exact status, never half-read.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RunRecord.h"

namespace {

// `record` at the end of `padding` zero bytes, as the stub reads them.
std::vector<uint8_t> Tail(const std::vector<uint8_t>& record, size_t padding = kRunRecordMax) {
    std::vector<uint8_t> tail(padding, 0);
    std::copy(record.begin(), record.end(), tail.end() - (long)record.size());
    return tail;
}

std::vector<uint8_t> Written(const std::string& command, const std::string& folder) {
    std::vector<uint8_t> out(kRunRecordMax);
    out.resize(WriteRunRecord(command.c_str(), folder.c_str(), out.data(), (uint32_t)out.size()));
    return out;
}

// A record made by hand: body, signature, length and format.
std::vector<uint8_t> Raw(const std::string& body, uint32_t length, uint16_t format = 0) {
    std::vector<uint8_t> r(body.begin(), body.end());
    for (uint8_t b : {'K', 'Z', 'r', 'n'}) r.push_back(b);
    r.push_back((uint8_t)length);
    r.push_back((uint8_t)(length >> 8));
    r.push_back((uint8_t)format);
    r.push_back((uint8_t)(format >> 8));
    return r;
}

std::vector<uint8_t> OtherSignature() {
    std::vector<uint8_t> r = Raw(std::string("a\0\0", 3), 3);
    r[r.size() - kRunTrailerSize + 3] = 'N';
    return Tail(r);
}

RunRecordStatus Read(const std::vector<uint8_t>& tail, RunRecord& record) {
    return ReadRunRecord(tail.data(), (uint32_t)tail.size(), &record);
}

}  // namespace

TEST(RunRecord, WhatIsWrittenReadsBack) {
    const std::string kLongest(kRunCommandCapacity - 1, 'c'), kWidest(kRunFolderCapacity - 1, 'f');
    const struct {
        std::string command, folder;
    } cases[] = {
        {"setup.exe", "%TEMP%\\VarnelSetup"},
        {"disk1/bin\\setup.exe", ""},
        {"", "C:\\Unpacked"},  // a folder for /S and nothing to start
        {kLongest, kWidest},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> record = Written(c.command, c.folder);
        ASSERT_EQ(record.size(), c.command.size() + c.folder.size() + 2 + kRunTrailerSize) << c.command;
        RunRecord read;
        ASSERT_EQ(RunRecordFound, Read(Tail(record), read)) << c.command;
        EXPECT_EQ(c.command, read.command);
        EXPECT_EQ(c.folder, read.folder);
        // Also from a tail that holds no more than the record.
        EXPECT_EQ(RunRecordFound, Read(record, read)) << c.command;
    }
    EXPECT_EQ(kRunRecordMax, Written(kLongest, kWidest).size());
}

TEST(RunRecord, WriterRefusesWhatTheStubWouldRefuse) {
    std::vector<uint8_t> out(kRunRecordMax);
    for (const char* command : {"../setup.exe", "C:\\setup.exe", "\\setup.exe", "bin\\", "con.exe"})
        EXPECT_EQ(0u, WriteRunRecord(command, "", out.data(), (uint32_t)out.size())) << command;
    EXPECT_EQ(0u, WriteRunRecord("", "", out.data(), (uint32_t)out.size()));
    EXPECT_EQ(0u,
              WriteRunRecord(std::string(kRunCommandCapacity, 'c').c_str(), "", out.data(), kRunRecordMax));
    EXPECT_EQ(0u,
              WriteRunRecord("a", std::string(kRunFolderCapacity, 'f').c_str(), out.data(), kRunRecordMax));
    EXPECT_EQ(0u, WriteRunRecord("setup.exe", "", out.data(), 10 + kRunTrailerSize));  // one byte short
    EXPECT_EQ(11 + kRunTrailerSize, WriteRunRecord("setup.exe", "", out.data(), 11 + kRunTrailerSize));
}

TEST(RunRecord, MalformedRecords) {
    const struct {
        const char* label;
        std::vector<uint8_t> tail;
        RunRecordStatus status;
    } cases[] = {
        {"zero padding", std::vector<uint8_t>(kRunRecordMax, 0), RunRecordNone},
        {"shorter than a trailer", {'K', 'Z', 'r', 'n', 0, 0, 0}, RunRecordNone},
        {"another signature", OtherSignature(), RunRecordNone},
        {"length past the tail", Raw(std::string("a\0\0", 3), 4), RunRecordDamaged},
        {"length past the largest body", Tail(Raw("", kRunBodyMax + 1), kRunBodyMax + 1 + kRunTrailerSize),
         RunRecordDamaged},
        {"unknown format", Tail(Raw(std::string("a\0\0", 3), 3, 1)), RunRecordDamaged},
        {"empty body", Tail(Raw("", 0)), RunRecordDamaged},
        {"command without its NUL", Tail(Raw("abc", 3)), RunRecordDamaged},
        {"folder without its NUL", Tail(Raw(std::string("a\0b", 3), 3)), RunRecordDamaged},
        {"a byte after the folder", Tail(Raw(std::string("a\0b\0x", 5), 5)), RunRecordDamaged},
        {"both empty", Tail(Raw(std::string("\0\0", 2), 2)), RunRecordDamaged},
        {"command of 128 bytes",
         Tail(Raw(std::string(kRunCommandCapacity, 'c') + std::string("\0\0", 2), kRunCommandCapacity + 2)),
         RunRecordDamaged},
        {"folder of 256 bytes",
         Tail(Raw("a" + std::string(1, '\0') + std::string(kRunFolderCapacity, 'f') + std::string(1, '\0'),
                  kRunFolderCapacity + 3)),
         RunRecordDamaged},
        {"command above the folder", Tail(Raw(std::string("..\\x.exe\0\0", 10), 10)), RunRecordDamaged},
        {"command on a drive", Tail(Raw(std::string("C:x.exe\0\0", 9), 9)), RunRecordDamaged},
        {"command naming a folder", Tail(Raw(std::string("bin/\0\0", 6), 6)), RunRecordDamaged},
    };
    for (const auto& c : cases) {
        RunRecord read;
        memset(&read, 'x', sizeof read);
        EXPECT_EQ(c.status, Read(c.tail, read)) << c.label;
        EXPECT_EQ(read.command[0], 0) << c.label;
        EXPECT_EQ(read.folder[0], 0) << c.label;
    }
}
