#include "core/error.h"
#include "core/error_table.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

using namespace pixa;

namespace {

struct Row {
    int32_t number;
    std::optional<std::string> file, help, sequential;
};

const std::string kDrive = "There was an internal error reading drive !";
const std::string kPrint = "Error printing photo";
const std::string kBmp = "Selected picture is not a valid .bmp file";

// The message table, written out independently of the code; nullopt: falls to the platform's
// description (file, help) or to the generic line alone (sequential).
const std::vector<Row> kTable = {
    {7, "There is insufficient memory to run the program !", {}, {}},
    {53, "Insufficient disk space / selected file does not exist !", {}, {}},
    {57, std::nullopt, kDrive, kDrive},
    {61, "There is insufficient disk space to run the program !", {}, {}},
    {67, "Too many files are open !", {}, {}},
    {68, "Device is unavailable", {}, {}},
    {71, "The disk is not ready !", {}, {}},
    {76, "Path not found !", {}, {}},
    {481, kBmp, {}, {}},
    {482, kPrint, std::nullopt, std::nullopt},
    {483, kPrint, std::nullopt, std::nullopt},
    {484, "Printer device is not setup properly", {}, {}},
    {485, kBmp, {}, {}},
    {24574, "There are no fonts available on your system !", {}, {}},
    {28664, "No printer devices are available", {}, {}},
    {31001, "Insufficient memory !", {}, {}},
    {32752, "Memory is very low to continue !", {}, {}},
    {32751, "Help is not available", "Help is not available", std::nullopt},
};

// Rows whose help and sequential columns say "same" as the file column.
bool sameEverywhere(int32_t n) {
    return n != 57 && n != 482 && n != 483 && n != 32751;
}

std::vector<std::string> generic(int32_t n) {
    return {"An internal error : " + std::to_string(n) + " has occured"};
}

} // namespace

TEST(ErrorTable, EveryEntryOfTheThreeVariants) {
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.number);
        const auto help = sameEverywhere(row.number) ? row.file : row.help;
        const auto seq = sameEverywhere(row.number) ? row.file : row.sequential;
        const std::string description = "platform text";
        EXPECT_EQ(errorMessages(ErrorVariant::File, row.number, description),
                  std::vector<std::string>{row.file.value_or(description)});
        EXPECT_EQ(errorMessages(ErrorVariant::Help, row.number, description),
                  std::vector<std::string>{help.value_or(description)});
        auto expected = generic(row.number);
        if (seq) expected.insert(expected.begin(), *seq);
        EXPECT_EQ(errorMessages(ErrorVariant::Sequential, row.number, description), expected);
    }
}

TEST(ErrorTable, NumbersThatDifferBetweenTheVariants) {
    // 53 in the sequential variant: two boxes; a number outside the table: the generic one only.
    EXPECT_EQ(errorMessages(ErrorVariant::Sequential, 53, "File not found"),
              (std::vector<std::string>{"Insufficient disk space / selected file does not exist !",
                                        "An internal error : 53 has occured"}));
    EXPECT_EQ(errorMessages(ErrorVariant::Sequential, 5, "x"), generic(5));
    EXPECT_EQ(errorMessages(ErrorVariant::Help, 482, "Printer error")[0], "Printer error");
    // The cancel number is not in the table: the open command's cancel check handles it.
    EXPECT_EQ(errorMessages(ErrorVariant::File, 32755, errorDescription(32755))[0],
              "Cancel was selected");
}

TEST(ErrorTable, AStopFallsToItsDescriptionLikeAnyNumberOutsideTheTable) {
    const Failure stop(err::UserInterrupt);
    EXPECT_STREQ(stop.what(), "User interrupt occurred");
    EXPECT_EQ(errorMessages(ErrorVariant::File, stop.number(), stop.description()),
              std::vector<std::string>{"User interrupt occurred"});
    EXPECT_EQ(errorMessages(ErrorVariant::Sequential, stop.number(), stop.description()),
              generic(18));
}

TEST(ErrorModel, DescriptionsAndFailureText) {
    EXPECT_EQ(errorDescription(5), "Invalid procedure call or argument");
    EXPECT_EQ(errorDescription(6), "Overflow");
    EXPECT_EQ(errorDescription(13), "Type mismatch");
    EXPECT_EQ(errorDescription(53), "File not found");
    EXPECT_EQ(errorDescription(61), "Disk full");
    EXPECT_EQ(errorDescription(62), "Input past end of file");
    EXPECT_EQ(errorDescription(70), "Permission denied");
    EXPECT_EQ(errorDescription(75), "Path/File access error");
    EXPECT_EQ(errorDescription(76), "Path not found");
    EXPECT_EQ(errorDescription(12345), "Application-defined or object-defined error");
    const Failure f(53, "/x/y.pff");
    EXPECT_EQ(f.number(), 53);
    EXPECT_EQ(f.description(), "File not found");
    EXPECT_STREQ(f.what(), "File not found: /x/y.pff");
    EXPECT_STREQ(Failure(62).what(), "Input past end of file");
}

TEST(ErrorModel, ErrnoMapping) {
    EXPECT_EQ(errorNumberFromErrno(ENOENT, "/tmp/surely-not-here.pff"), 53);
    EXPECT_EQ(errorNumberFromErrno(ENOENT, "/tmp/no-such-folder-pixa/a.pff"), 76);
    EXPECT_EQ(errorNumberFromErrno(ENOTDIR, "/etc/passwd/a"), 76);
    EXPECT_EQ(errorNumberFromErrno(EACCES), 70);
    EXPECT_EQ(errorNumberFromErrno(EROFS), 70);
    EXPECT_EQ(errorNumberFromErrno(ENOSPC), 61);
    EXPECT_EQ(errorNumberFromErrno(EMFILE), 67);
    EXPECT_EQ(errorNumberFromErrno(EIO), 57);
    EXPECT_EQ(errorNumberFromErrno(EBUSY), 75);
}
