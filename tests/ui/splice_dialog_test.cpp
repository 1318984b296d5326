// The splice dialog over the real player window: rows, moves and parameter
// marks; a run that writes what the tools core writes; its refusals and
// messages, all shown by the GUI thread; cancel. And the tool commands, which
// close the graphs they opened.
#include "ui/splice_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <thread>

#include "ui/cut_dialog.h"
#include "ui/parameter_dialog.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "support/clip.h"
#include "ui_fixture.h"

namespace {

using corvane::fmt::UYVY;
using corvane::fmt::YV12;
using testsupport::Para;
using ui::PlayerWindow;
using ui::SpliceDialog;
namespace tools = corvane::tools;
namespace ids = ui::ids;

const QString kSet = QStringLiteral("已设置");
const QString kUnset = QStringLiteral("未设置");

class SpliceDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    uitest::ClearStore();
    m_a = Clip("a.yuv", Para(YV12, 16, 16), 3, true);
    m_b = Clip("b.yuv", Para(YV12, 16, 16), 2, false);
    m_d = Clip("d.yuv", Para(UYVY, 8, 4), 5, true);
    // A spliced input of three segments.
    const std::string p = Clip("p.yuv", Para(UYVY, 4, 2), 2, true), q = Clip("q.yuv", Para(YV12, 8, 8), 1, true);
    m_c = m_dir.File("c.yuv");
    tools::SpliceJob job;
    job.inputs = {{p, 1}, {q, 1}, {p, 1}};
    job.target = m_c;
    ASSERT_TRUE(tools::Splice(job).has_value());
    m_window = std::make_unique<PlayerWindow>();
    m_window->Initialize();
  }
  std::string Clip(const char* name, const corvane::YUVPara& para, uint32_t frames, bool trailer) {
    const std::string path = m_dir.File(name);
    uitest::WriteClip(path, para, frames, trailer);
    return path;
  }
  // Adds the files through the dialog's chooser.
  static void Add(SpliceDialog& d, uitest::PromptsScope& prompts, const std::vector<std::string>& paths) {
    for (const std::string& p : paths) {
      prompts.log->queuedChoices.push_back(QString::fromStdString(p));
      d.findChild<QPushButton*>(QStringLiteral("btn1057"))->click();
    }
  }
  static std::vector<QString> Column(const SpliceDialog& d, int c) {
    std::vector<QString> out;
    for (const QStringList& r : d.Rows()) out.push_back(r[c]);
    return out;
  }
  static void Start(SpliceDialog& d, const std::string& target) {
    d.findChild<QLineEdit*>(QStringLiteral("edit1048"))->setText(QString::fromStdString(target));
    d.findChild<QPushButton*>(QStringLiteral("btn1053"))->click();
  }

  testsupport::TempDir m_dir;
  std::string m_a, m_b, m_c, m_d;
  std::unique_ptr<PlayerWindow> m_window;
};

TEST_F(SpliceDialogTest, RowsMovesAndParameterMarks) {
  uitest::PromptsScope prompts;
  SpliceDialog d(m_window.get(), session::DefaultParameters{});
  d.show();
  // b has no record: the parameter dialog opens and is cancelled.
  auto watch = uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* p) { p->reject(); });
  Add(d, prompts, {m_a, m_b, m_c, m_dir.File("missing.yuv")});
  EXPECT_EQ(prompts.log->messages, std::vector<QString>{QStringLiteral("打开文件失败\n")});
  ASSERT_EQ(d.Rows().size(), 3u);
  EXPECT_EQ(Column(d, 1), (std::vector<QString>{kSet, kUnset, kSet}));
  EXPECT_EQ(Column(d, 2), (std::vector<QString>{"1", "1", "3"}));
  Add(d, prompts, {m_d});
  prompts.log->messages.clear();

  const QString A = QString::fromStdString(m_a), B = QString::fromStdString(m_b), C = QString::fromStdString(m_c),
                D = QString::fromStdString(m_d);
  struct Move {
    const char* name;
    std::vector<int> select;
    bool up;
    std::vector<QString> order;
    std::vector<int> selected;
  };
  // Each case starts from the order the one before left.
  const std::vector<Move> moves = {
      {"first row up stays", {0}, true, {A, B, C, D}, {0}},
      {"last row down stays", {3}, false, {A, B, C, D}, {3}},
      {"block at the top stays whole", {0, 1}, true, {A, B, C, D}, {0, 1}},
      {"block at the bottom stays whole", {2, 3}, false, {A, B, C, D}, {2, 3}},
      {"block moves up as one", {1, 2}, true, {B, C, A, D}, {0, 1}},
      {"rows apart move down", {0, 2}, false, {C, B, D, A}, {1, 3}},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(m.name);
    d.SelectRows(m.select);
    d.findChild<QPushButton*>(QString::fromLatin1(m.up ? "btn1060" : "btn1061"))->click();
    EXPECT_EQ(Column(d, 0), m.order);
    EXPECT_EQ(d.SelectedRows(), m.selected);
  }

  // A spliced row takes no parameters.
  d.SelectRows({0});
  d.OnSetPara();
  EXPECT_EQ(prompts.log->messages, std::vector<QString>{QStringLiteral("该文件为拼接文件，不可重新设置参数")});

  // Add b once more; setting it on one row marks both rows of that file.
  watch = uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* p) { p->reject(); });
  Add(d, prompts, {m_b});
  auto confirm = [](ui::ParameterDialog* p) {
    QPushButton* save = p->findChild<QPushButton*>(QStringLiteral("btn%1").arg(ids::kParaSaveButton));
    EXPECT_EQ(save->text(), QString::fromUtf8("设定参数"));  // the tools only set parameters
    save->click();
  };
  watch = uitest::WhenModal<ui::ParameterDialog>(confirm);
  d.SelectRows({4});
  d.OnSetPara();
  EXPECT_EQ(Column(d, 1), (std::vector<QString>{kSet, kSet, kSet, kSet, kSet}));
  EXPECT_EQ(tools::ProbeSpliceInput(m_b).recordCount, 1u);

  // A file that vanishes while its parameters are being set is confirmed
  // but saved nowhere: its row stays unset.
  const std::string e = Clip("e.yuv", Para(YV12, 16, 16), 2, false);
  watch = uitest::WhenModal<ui::ParameterDialog>([e, confirm](ui::ParameterDialog* p) {
    std::filesystem::remove(e);
    confirm(p);
  });
  Add(d, prompts, {e});
  EXPECT_EQ(d.Rows().back()[1], kUnset);

  d.SelectRows({0, 5});
  d.findChild<QPushButton*>(QStringLiteral("btn1058"))->click();
  EXPECT_EQ(Column(d, 0), (std::vector<QString>{B, D, A, B}));
  EXPECT_EQ(prompts.log->offGuiThread, 0);
}

TEST_F(SpliceDialogTest, RunWritesWhatTheCoreWritesAndEveryRefusalHasItsMessage) {
  const std::string out = m_dir.File("out.yuv");
  const std::string expected = m_dir.File("expected.yuv");
  {
    tools::SpliceJob job;
    job.inputs = {{m_a, 1}, {m_c, 3}, {m_d, 1}};
    job.target = expected;
    ASSERT_TRUE(tools::Splice(job).has_value());
    ASSERT_EQ(tools::ProbeSpliceInput(expected).recordCount, 5u);
  }
  // A Y4M input is set by its header (no parameter dialog) and spliced as
  // the core splices it.
  const std::string y4m = m_dir.File("e.y4m"), expectedY4m = m_dir.File("expected_y4m.yuv");
  testsupport::WriteY4mClip(y4m, Para(YV12, 32, 16), 3, {30000, 1001});
  {
    tools::SpliceJob job;
    job.inputs = {{m_a, 1}, {y4m, 1}};
    job.target = expectedY4m;
    ASSERT_TRUE(tools::Splice(job).has_value());
    ASSERT_EQ(tools::ProbeSpliceInput(expectedY4m).recordCount, 2u);
  }
  const std::vector<uint8_t> old = {9, 9, 9};
  struct Row {
    const char* name;
    std::vector<std::string> inputs;
    std::string target;
    bool targetExists;
    bool answerYes;
    std::function<void()> beforeStart;
    std::vector<QString> messages;
    bool asked;
    std::optional<std::vector<uint8_t>> expect;  // the target afterwards
  };
  const QString create = QStringLiteral("创建拼接文件失败!");
  std::vector<Row> rows = {
      {"spliced", {m_a, m_c, m_d}, out, false, true, {}, {QStringLiteral("拼接完成!")}, false,
       testsupport::ReadBytes(expected)},
      {"replaced on Yes", {m_a, m_c, m_d}, out, true, true, {}, {QStringLiteral("拼接完成!")}, true,
       testsupport::ReadBytes(expected)},
      {"a Y4M input", {m_a, y4m}, out, false, true, {}, {QStringLiteral("拼接完成!")}, false,
       testsupport::ReadBytes(expectedY4m)},
      {"kept on No", {m_a}, out, true, false, {}, {}, true, old},
      {"empty target", {m_a}, "", false, true, {}, {}, false, std::nullopt},
      {"no rows", {}, out, false, true, {}, {QStringLiteral("请先添加待文件")}, false, std::nullopt},
      {"unset row", {m_a, m_b}, out, false, true, {}, {QStringLiteral("请设置文件参数")}, false, std::nullopt},
      {"target is an input", {m_a, m_d}, m_dir.File("./x/../d.yuv"), true, true, {}, {create}, false, std::nullopt},
      {"record count changed since added", {m_a, m_d}, out, false, true,
       [&] { std::filesystem::copy_file(m_c, m_d, std::filesystem::copy_options::overwrite_existing); },
       {QStringLiteral("拼接参数失败")}, false, std::nullopt},
      {"input vanished", {m_a, m_d}, out, false, true, [&] { std::filesystem::remove(m_d); },
       {QStringLiteral("打开文件失败!\n")}, false, std::nullopt},
  };
  std::filesystem::create_directory(m_dir.Path() / "x");
  const std::vector<uint8_t> dBytes = testsupport::ReadBytes(m_d);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testsupport::WriteBytes(m_d, dBytes);
    std::filesystem::remove(out);
    if (row.targetExists && row.target == out) testsupport::WriteBytes(out, old);
    uitest::PromptsScope prompts;
    prompts.log->answerYes = row.answerYes;
    SpliceDialog d(m_window.get(), session::DefaultParameters{});
    d.show();
    auto watch = uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* p) { p->reject(); });
    Add(d, prompts, row.inputs);
    prompts.log->messages.clear();
    if (row.beforeStart) row.beforeStart();
    std::optional<tools::ToolCode> ended;
    QObject::connect(&d, &SpliceDialog::spliceEnded, [&](tools::ToolCode c) { ended = c; });
    Start(d, row.target);
    if (d.IsRunning()) {
      ASSERT_TRUE(uitest::WaitFor([&] { return ended.has_value(); }));
    }
    EXPECT_FALSE(d.IsRunning());
    EXPECT_EQ(prompts.log->messages, row.messages);
    EXPECT_EQ(prompts.log->questions,
              row.asked ? std::vector<QString>{QStringLiteral("警告|文件已存在，是否覆盖?")} : std::vector<QString>{});
    EXPECT_EQ(prompts.log->offGuiThread, 0);
    if (row.expect) {
      EXPECT_EQ(testsupport::ReadBytes(out), *row.expect);
    } else if (!row.target.empty() && row.target == out) {
      EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_TRUE(uitest::WaitFor([&] { return d.StartButtonText() == QStringLiteral("开始拼接"); }));
  }
}

// How fast cancel and the progress bar answer is measured in
// bench/splice_dialog_bench.cpp, not asserted here.
TEST_F(SpliceDialogTest, CancelStopsTheRunAndLeavesNoTarget) {
  uitest::PromptsScope prompts;
  const std::string out = m_dir.File("out.yuv");
  SpliceDialog d(m_window.get(), session::DefaultParameters{});
  d.show();
  Add(d, prompts, {m_a, m_c, m_d});
  d.SetChunkObserver(16, [](uint64_t, uint64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(10)); });
  std::optional<tools::ToolCode> ended;
  QObject::connect(&d, &SpliceDialog::spliceEnded, [&](tools::ToolCode c) { ended = c; });
  Start(d, out);
  ASSERT_TRUE(d.IsRunning());
  EXPECT_TRUE(uitest::WaitFor([&] { return d.StartButtonText() == QStringLiteral("取消拼接"); }));
  EXPECT_TRUE(uitest::WaitFor([&] { return d.ProgressValue() > 0; }));
  EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("btn1057"))->isEnabled());
  d.reject();
  EXPECT_TRUE(d.isVisible());
  d.findChild<QPushButton*>(QStringLiteral("btn1053"))->click();
  ASSERT_TRUE(uitest::WaitFor([&] { return ended.has_value(); }));
  EXPECT_EQ(*ended, tools::ToolCode::kCancelled);
  EXPECT_TRUE(uitest::WaitFor([&] { return d.StartButtonText() == QStringLiteral("开始拼接"); }));
  EXPECT_EQ(d.ProgressValue(), 0);
  auto* bar = d.findChild<QProgressBar*>(QStringLiteral("progress1063"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->text(), QStringLiteral("已取消拼接"));
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(prompts.log->messages.empty());
}

TEST_F(SpliceDialogTest, ToolCommandsRefuseASplicedCutAndCloseTheirGraphs) {
  struct Row {
    const char* name;
    int command;
    std::string file;
    std::function<void()> watch;  // answers the modal window the command opens
    std::vector<QString> messages;
  };
  bool cutShown = false;
  const std::vector<Row> rows = {
      {"cut of a spliced file", ids::kToolsCut, m_c, [] {}, {QStringLiteral("文件为拼接文件，不可剪切.")}},
      {"cut of a file with a record", ids::kToolsCut, m_a,
       [&] {
         uitest::WhenModal<ui::CutDialog>([&](ui::CutDialog* c) {
           cutShown = c->FrameCount() == 3;
           c->reject();
         });
       },
       {}},
      {"cut with its parameter dialog cancelled", ids::kToolsCut, m_b,
       [] { uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* p) { p->reject(); }); }, {}},
      {"splice", ids::kToolsSplice, m_a,
       [&] {
         uitest::WhenModal<SpliceDialog>([](SpliceDialog* s) {
           s->OnAdd();
           s->reject();
         });
       },
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    uitest::PromptsScope prompts;
    prompts.log->nextChoice = QString::fromStdString(row.file);
    row.watch();
    m_window->OnMenuCommand(row.command);
    EXPECT_EQ(prompts.log->messages, row.messages);
    EXPECT_EQ(prompts.log->chooserCalls, 1);
    EXPECT_EQ(m_window->Graph(), nullptr);
    EXPECT_EQ(m_window->View().state, ui::PlayState::NoFile);
  }
  EXPECT_TRUE(cutShown);
}

}  // namespace
