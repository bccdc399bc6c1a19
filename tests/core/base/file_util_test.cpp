#include "core/base/file_util.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/platform/interrupt_cleanup.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

TEST(FileUtil, NamesAndCaseInsensitiveLookup) {
  EXPECT_EQ(FileNamePart("C:\\DEM\\N45W123.hgt"), "N45W123.hgt");
  EXPECT_EQ(FileNamePart("/data/x/N45W123.hgt"), "N45W123.hgt");
  EXPECT_EQ(FileNamePart("C:N45W123.hgt"), "N45W123.hgt");
  EXPECT_EQ(FileExtension("/a.b/N45W123.hgt.zip") + FileExtension("/a.b/README"), ".zip");
  EXPECT_TRUE(EqualsNoCase("a.zip", "A.ZIP") && EqualsNoCase("A.ZIP", "a.zip"));  // a to z both

  TTempDir dir;
  std::filesystem::create_directory(dir.File("Sub"));
  WriteFileBytes(dir.File("Sub/N45W123.hgt"), {1, 2, 3});
#ifndef _WIN32  // there the file system itself ignores case
  EXPECT_EQ(FindFileNoCase(dir.File("Sub/N45W123.HGT")), dir.File("Sub/N45W123.hgt"));
  EXPECT_EQ(FindFileNoCase(dir.File("sub/N45W123.hgt")), "");  // only the name part
  EXPECT_EQ(FindPathNoCase(dir.File("sub/n45w123.HGT")), dir.File("Sub/N45W123.hgt"));
#endif
  EXPECT_EQ(FindFileNoCase(dir.File("Sub/N45W124.HGT")), "");
  EXPECT_EQ(FindFileNoCase(dir.File("Sub")), "");  // folders are not files
  EXPECT_EQ(FileSizeOf(dir.File("Sub/n45w123.hgt")), 3);
  EXPECT_EQ(FileSizeOf(dir.File("Sub")) + FileSizeOf(dir.File("none")), 0);  // a folder, nothing
}

TEST(FileUtil, AtomicWriterReplacesOnlyOnCommit) {
  TTempDir dir;
  const std::string target = dir.File("t.bin");
  WriteFileBytes(target, {'o', 'l', 'd'});
  {
    TTAtomicFileWriter w(target);
    ASSERT_TRUE(w.Open() && w.Open() && w.Write("new!", 4) &&
                FolderEntries(dir.Path()).size() == 2u);
  }  // dropped without Commit
  EXPECT_EQ(ReadFileBytes(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"t.bin"});

  ASSERT_TRUE(WriteFileAtomically(target, "new!", 4));
  EXPECT_EQ(ReadFileBytes(target), (std::vector<unsigned char>{'n', 'e', 'w', '!'}));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"t.bin"});
  // Writers, committed or dropped, and folders that cannot be opened give their slots back.
  for (int k = 0; k < 70; ++k) ASSERT_TRUE(TTAtomicFileWriter(target).Open());
  for (int k = 0; k < 70; ++k) ForgetOnInterrupt(RemoveOnInterrupt(dir.File("none"), true));
  for (int k = 0; k < 70; ++k) ASSERT_TRUE(WriteFileAtomically(target, "new!", 4));
  const int slot = RemoveOnInterrupt(target);
  EXPECT_EQ(slot, 0);  // all of them: the first is free again
  ForgetOnInterrupt(slot);

  TTAtomicFileWriter onFolder(dir.Path());  // a folder is never replaced
  EXPECT_FALSE(onFolder.Open() || WriteFileAtomically(dir.File("none/x.bin"), "a", 1));
}
