#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ShellQuoted(const std::string& aText) {
  std::string quoted = "'";
  for (char c : aText) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// The built programs, as a user starts them: in the C locale, so that the regional formats are
// the program's home formats whatever the machine's settings.
class CliToolTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "melquon-tool-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  Outcome Run(const std::string& aProgram, const std::vector<std::string>& aArgs) const {
    std::string command = "LC_ALL=C " + ShellQuoted(aProgram);
    for (const std::string& arg : aArgs) {
      command += " " + ShellQuoted(arg);
    }
    command += " >" + ShellQuoted((dir_ / "stdout").string()) + " 2>" +
               ShellQuoted((dir_ / "stderr").string()) + " </dev/null";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = ReadBytes(dir_ / "stdout");
    outcome.err = ReadBytes(dir_ / "stderr");
    return outcome;
  }

  Outcome RunCli(const std::vector<std::string>& aArgs) const {
    return Run(MELQUON_CLI_EXE, aArgs);
  }

  // The bundled settings file and a freshly generated sample archive beside it.
  std::string MakeSample() const {
    fs::copy_file(MELQUON_SAMPLE_INI, dir_ / "Melquon.ini");
    const Outcome generated = Run(MELQUON_SAMPLE_GENERATOR, {(dir_ / "archive").string()});
    EXPECT_EQ(generated.status, 0) << generated.err;
    return (dir_ / "Melquon.ini").string();
  }

  fs::path dir_;
};

TEST_F(CliToolTest, SampleRunPrintsTheReportAndEveryIntervalClosesPositions) {
  const std::string ini = MakeSample();
  const Outcome outcome = RunCli({"--ini", ini, "--csv", (dir_ / "sample.csv").string()});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.out.rfind("За весь период по интервалам:\r\n", 0), 0u);
  EXPECT_NE(outcome.out.find("\r\n12.01.2009\r\n"), std::string::npos);
  EXPECT_NE(outcome.out.find("\r\n23.01.2009\r\n"), std::string::npos);
  EXPECT_EQ(outcome.out.find("24.01.2009"), std::string::npos);
  // Windows-1251 in the report file: "За" is C7 E0.
  EXPECT_EQ(ReadBytes(dir_ / "report.txt").rfind("\xC7\xE0 ", 0), 0u);

  std::istringstream csv(ReadBytes(dir_ / "sample.csv"));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "date,interval,closed_positions,closed_points,square_factor\r");
  int wholePeriodRows = 0;
  int dayRows = 0;
  while (std::getline(csv, line)) {
    if (line.rfind("all,", 0) == 0) {
      ++wholePeriodRows;
      const std::string interval = std::to_string(400 + 100 * wholePeriodRows);
      EXPECT_EQ(line.rfind("all," + interval + ",", 0), 0u) << line;
      EXPECT_NE(line.rfind("all," + interval + ",0,", 0), 0u) << "nothing closed: " << line;
    } else {
      ++dayRows;
    }
  }
  EXPECT_EQ(wholePeriodRows, 16);
  EXPECT_EQ(dayRows, 12 * 16);
}

TEST_F(CliToolTest, ExitStatuses) {
  const std::string ini = MakeSample();
  const Outcome help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: melquon-cli", 0), 0u);

  const Outcome failed = RunCli({"--ini", ini, "--interval-step", "0"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "Division by zero\n");
  EXPECT_EQ(failed.out, "");
  EXPECT_FALSE(fs::exists(dir_ / "report.txt"));

  const Outcome bad = RunCli({"--ini", ini, "--from", "32012009"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err.rfind("melquon-cli: --from: '32012009' is not a date", 0), 0u) << bad.err;
  EXPECT_NE(bad.err.find("\n\nUsage: melquon-cli"), std::string::npos) << bad.err;
}

TEST_F(CliToolTest, BuildCopiesTheSettingsFileOnlyWhenNoneIsThere) {
  const auto copy = [this](const fs::path& aDestination) {
    return Run(MELQUON_CMAKE,
               {"-DSOURCE=" MELQUON_SAMPLE_INI, "-DDESTINATION=" + aDestination.string(), "-P",
                MELQUON_COPY_IF_MISSING});
  };
  const fs::path mine = dir_ / "Melquon.ini";
  std::ofstream(mine, std::ios::binary) << "[DEFAULT]\r\nContract=SiH9\r\n";
  EXPECT_EQ(copy(mine).status, 0);
  EXPECT_EQ(ReadBytes(mine), "[DEFAULT]\r\nContract=SiH9\r\n");

  const fs::path fresh = dir_ / "bin" / "Melquon.ini";
  EXPECT_EQ(copy(fresh).status, 0);
  EXPECT_EQ(ReadBytes(fresh), ReadBytes(MELQUON_SAMPLE_INI));
}

}  // namespace
