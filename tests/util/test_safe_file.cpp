// Saving and reading user files: what may be replaced, what must stay untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/safe_file.h"
#include "util/utf8.h"

namespace fs = std::filesystem;

namespace {

fs::path Folder()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("stavora_safe_" + std::to_string(::getpid()));
        fs::remove_all(d);
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

void Put(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

std::string Get(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Files other than the given ones left in the folder (a temporary file would show here).
int StrayFiles(std::initializer_list<fs::path> known)
{
    int stray = 0;
    for (const auto& entry : fs::directory_iterator(Folder())) {
        bool listed = false;
        for (const auto& k : known) listed = listed || entry.path().filename() == k.filename();
        stray += listed ? 0 : 1;
    }
    return stray;
}

}  // namespace

TEST(SafeSave, ReplacesWholeFilesAndRefusesWhatItMustNotReplace)
{
    const fs::path plain = Folder() / "plain.xml", locked = Folder() / "locked.xml", fifo = Folder() / "pipe";
    const fs::path sub = Folder() / "sub", link = Folder() / "link.xml", target = Folder() / "target.xml";
    const fs::path unrelated = Folder() / "plain.xml.tmp", dangling = Folder() / "dangling.xml";
    Put(plain, "old");
    ::chmod(plain.c_str(), 0640);
    Put(locked, "keep");
    ::chmod(locked.c_str(), 0444);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::create_directories(sub);
    Put(target, "old target");
    fs::create_symlink("target.xml", link);
    fs::create_symlink("made-by-link.xml", dangling);
    Put(unrelated, "somebody's");

    struct Case {
        fs::path path;
        file_outcome::code_type code;
    };
    const Case cases[] = {
        {plain, file_outcome::ok},           {locked, file_outcome::read_only},
        {fifo, file_outcome::not_a_file},     {"/dev/full", file_outcome::not_a_file},
        {sub, file_outcome::is_folder},       {Folder() / "missing" / "x.xml", file_outcome::not_found},
        {link, file_outcome::ok},             {dangling, file_outcome::ok},
        {Folder() / std::string(300, 'n'), file_outcome::name_too_long},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckSaveTarget(c.path).code, c.code) << c.path;
        EXPECT_EQ(SafeSave(c.path, "new").code, c.code) << c.path;
    }
    EXPECT_EQ(Get(plain), "new");
    EXPECT_EQ(fs::status(plain).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Get(locked), "keep");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(target), "new");
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(Get(Folder() / "made-by-link.xml"), "new");
    EXPECT_EQ(Get(unrelated), "somebody's");
    EXPECT_EQ(StrayFiles({plain, locked, fifo, sub, link, target, unrelated, dangling, "made-by-link.xml"}), 0);
}

TEST(ReadWholeFile, StopsAtItsBoundAndNamesWhatItCannotRead)
{
    const fs::path file = Folder() / "list.csv";
    Put(file, "1200,600,2\n");
    std::string bytes = "untouched";
    EXPECT_TRUE(ReadWholeFile(file, bytes));
    EXPECT_EQ(bytes, "1200,600,2\n");
    EXPECT_EQ(ReadWholeFile(file, bytes, 5).code, file_outcome::too_large);
    EXPECT_EQ(ReadWholeFile("/dev/zero", bytes, 1 << 20).code, file_outcome::too_large);
    EXPECT_EQ(ReadWholeFile(Folder(), bytes).code, file_outcome::is_folder);
    EXPECT_EQ(ReadWholeFile(Folder() / "none.csv", bytes).code, file_outcome::not_found);
    EXPECT_EQ(ReadWholeFile(Folder() / std::string(300, 'n'), bytes).code, file_outcome::name_too_long);
    EXPECT_EQ(bytes, "1200,600,2\n");
}

TEST(SameFile, MatchesLinksAndSpellingsOfOneFile)
{
    const fs::path file = Folder() / "same.xml", other = Folder() / "other.xml", link = Folder() / "same-link.xml";
    Put(file, "a");
    Put(other, "b");
    fs::create_symlink(file, link);
    EXPECT_TRUE(SameFile(file, link));
    EXPECT_TRUE(SameFile(file, Folder() / "." / "same.xml"));
    EXPECT_FALSE(SameFile(file, other));
    EXPECT_TRUE(SameFile(Folder() / "new.json", Folder() / "sub" / ".." / "new.json"));
    EXPECT_FALSE(SameFile(Folder() / "new.json", Folder() / "new.pdf"));
}

TEST(EscapeControls, ShowsControlCharactersAsEscapes)
{
    EXPECT_EQ(EscapeControls("a\x1B[2Jb\n\t\x7F"), "a\\x1B[2Jb\\n\\t\\x7F");
    EXPECT_EQ(EscapeControls("\xC2\x9B" "31m \xC3\xA9"), "\\u009B31m \xC3\xA9");
}

TEST(Utf16FileToUtf8, ConvertsMarkedTextInBothByteOrders)
{
    EXPECT_EQ(Utf16FileToUtf8(std::string("\xFF\xFE" "1\0,\0\xE9\0\n\0", 10)), "1,\xC3\xA9\n");
    EXPECT_EQ(Utf16FileToUtf8(std::string("\xFE\xFF\0" "1\xD8\x3D\xDE\x00", 8)), "1\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16FileToUtf8("plain"), "plain");
}
