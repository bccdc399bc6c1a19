#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <locale>
#include <string>

#include "core/base/number_text.h"
#include "core/scenery/inf_file.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {

// A numpunct that uses "," and groups thousands, as a German desktop would.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

void ExpectNumberTexts() {
  // Single-precision bounds keep their binary value, cut to 10 decimals; 15
  // significant digits limit large values before the decimals do; one
  // rounding, half away from zero, carrying through nines.
  const struct {
    double value;
    int decimals;
    const char* text;
  } fixed[] = {{45.9f, 10, "45.9000015259"},
               {45.0f + 171.0f / 1200.0f, 10, "45.1425018311"},
               {123456.789012345678, 10, "123456.7890123460"},
               {1e20, 2, "100000000000000000000.00"},
               {0.125, 2, "0.13"},
               {-0.125, 2, "-0.13"},
               {9.999, 2, "10.00"},
               {-0.000000000001, 10, "0.0000000000"},
               {0.006, 2, "0.01"},  // rounded at its first digit
               {0.0, 0, "0"}};
  for (const auto& f : fixed) EXPECT_EQ(FormatFixed(f.value, f.decimals), f.text);
  const std::pair<double, const char*> exponent[] = {{1.0 / 3600, "2.77777777778E-4"},
                                                     {1.0, "1.00000000000E+0"},
                                                     {12345.0, "1.23450000000E+4"},
                                                     {9.9999999999999, "1.00000000000E+1"},
                                                     {-2.5e-10, "-2.50000000000E-10"}};
  for (const auto& [value, text] : exponent) EXPECT_EQ(FormatExponent(value), text);
  EXPECT_TRUE(FormatExponent(1.0 / 3, 4, 2) == "3.333E-01" && FormatExponent(25, 1, 1) == "3E+1" &&
              FormatInt(1234567) == "1234567");  // one digit: no point
}

}  // namespace

TEST(NumberText, FormatsIndependentOfLocale) {
  ExpectNumberTexts();
  // Under a comma locale (C library and C++ global) the texts stay the same.
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  const char* de = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (!de) de = std::setlocale(LC_ALL, "de_DE");
  const std::locale oldCpp = std::locale::global(std::locale(std::locale(), new CommaPunct));
  ExpectNumberTexts(), std::locale::global(oldCpp), std::setlocale(LC_ALL, oldC.c_str());
  if (!de) GTEST_LOG_(INFO) << "no de_DE locale installed: checked with a comma C++ locale only";
}

TEST(InfFile, SourceAndDestinationFilesByteForByte) {
  TTempDir dir;
  const std::string src = dir.File("tempsrc.inf"), dst = dir.File("tempdst.inf");
  // One 3-arc-second tile of N45W122 with its void value.
  ASSERT_TRUE(WriteMeshSourceInf(1201, 1201, TInfBounds{45, 46, -122, -121}, 0,
                                 dir.File("tempmesh.ras"), src, -32768, 1200, 1200));
  EXPECT_EQ(ReadFileText(src),
            "[Source]\r\n"
            "Type=ElevS16MSB\r\n"
            "SourceDir=\"" +
                dir.Path() +
                "\"\r\n"
                "SourceFile=\"tempmesh.ras\"\r\n"
                "NullCellValue=-32768\r\n"
                "CellType=S16MSB\r\n"
                "Lat=46.0000000000\r\n"
                "Lon=-122.0000000000\r\n"
                "NumOfCellsPerLine=1201\r\n"
                "NumOfLines=1201\r\n"
                "CellXdimensionDeg=8.33333333333E-4\r\n"
                "CellYdimensionDeg=8.33333333333E-4\r\n"
                "ScaleInMeters=1\r\n"
                "BaseValue=0\r\n");

  // 1200 rows and 2400 columns per degree; the file is overwritten.
  ASSERT_TRUE(WriteMeshSourceInf(2401, 1201, TInfBounds{-1.5f, -0.5f, 8, 9}, -12, "ras/x.ras", src,
                                 0, 1200, 2400));
  const std::string text = ReadFileText(src);
  EXPECT_NE(text.find("\r\nLat=-0.5000000000\r\nLon=8.0000000000\r\n"), std::string::npos);
  EXPECT_NE(text.find("CellXdimensionDeg=4.16666666667E-4\r\nCellYdimensionDeg=8.33333333333E-4"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 15), "BaseValue=-12\r\n");

  ASSERT_TRUE(WriteMeshDestInf(9, 25, dst, "/scenery/out/N46W122_N45W121.bgl"));
  EXPECT_EQ(ReadFileText(dst),
            "[Destination]\r\n"
            "LOD=9\r\n"
            "DestDir=\"/scenery/out\"\r\n"
            "DestBaseFileName=\"N46W122_N45W121\"\r\n"
            "BaseValue=25\r\n"
            "UseSourceDimensions=1\r\n");

#ifndef _WIN32
  // The Wine form (a Linux host's): every folder given as Z:\...
  ASSERT_TRUE(WriteMeshDestInf(10, 0, dst, "/scenery/a.b.bgl", TToolPathForm::Wine));
  EXPECT_NE(ReadFileText(dst).find("DestDir=\"Z:\\scenery\"\r\nDestBaseFileName=\"a.b\"\r\n"),
            std::string::npos);
  ASSERT_TRUE(WriteMeshSourceInf(10, 10, TInfBounds{0, 1, 0, 1}, 0, "r.ras", src, 0, 9, 9,
                                 TToolPathForm::Wine));
  std::string wineDir = dir.Path();
  for (char& c : wineDir)
    if (c == '/') c = '\\';
  EXPECT_NE(ReadFileText(src).find("SourceDir=\"Z:" + wineDir + "\"\r\n"), std::string::npos);
#endif
}

TEST(InfFile, FolderAndNameRules) {
  EXPECT_EQ(InfFolderText("C:\\"), "C:\\");  // a drive root keeps its "\"
  EXPECT_EQ(InfFolderText("C:\\FS9\\Scenery\\"), "C:\\FS9\\Scenery");
  EXPECT_EQ(InfFolderText("") + InfFolderText("   "), "..");  // bare file names
  EXPECT_EQ(InfFolderText("/"), "/");                         // the host root stays a root
  EXPECT_EQ(InfFolderText("/home/u/"), "/home/u");
  EXPECT_EQ(InfBaseName("C:\\x\\N45W122"), "N45W122");  // no extension: used whole
  EXPECT_EQ(InfBaseName("/x/a.b.bgl") + InfBaseName("out.bgl"), "a.bout");
}

TEST(InfFile, FailuresReportFalse) {
  TTempDir dir;
  // The folder does not exist: the file cannot be created.
  EXPECT_FALSE(WriteMeshDestInf(9, 0, dir.File("no/such/d.inf"), "x.bgl"));
  EXPECT_FALSE(WriteMeshSourceInf(1, 1, TInfBounds{}, 0, "r", dir.File("no/s.inf"), 0, 1, 1));
  // A meaningless density never reaches the compiler as "INF".
  EXPECT_FALSE(WriteMeshSourceInf(1, 1, TInfBounds{}, 0, "r", dir.File("s.inf"), 0, 0, 1200));
  EXPECT_FALSE(WriteInfLine(nullptr, "x"));
#ifdef __linux__
  // A device that is always full: a short write is noticed line by line and at a buffered close.
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full) {
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_FALSE(WriteInfLine(full, "[Source]"));
    std::fclose(full);
  }
  EXPECT_FALSE(WriteMeshDestInf(9, 0, "/dev/full", "x.bgl") ||  // a line past the buffer too
               WriteMeshDestInf(9, 0, "/dev/full", "/" + std::string(5000, 'b') + ".bgl"));
#endif
}
