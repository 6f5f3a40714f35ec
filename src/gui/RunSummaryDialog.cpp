#include "gui/RunSummaryDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

#include "gui/QtUserInterface.h"

namespace mvq {
namespace {

constexpr int kColumns = 7;
const char* const kHeaders[kColumns] = {"表",     "结果",   "已有表", "记录数",
                                        "已写入", "被拒绝", "原因"};
constexpr int kFirstSuccessCode = 33;  // ShellOpen: above 32 is success

bool Reached(const TableOutcome& t) {
  return t.status != OutcomeStatus::NotReached;
}

}  // namespace

std::string OutcomeStatusText(OutcomeStatus status) {
  switch (status) {
    case OutcomeStatus::Exported:
      return "已导出";
    case OutcomeStatus::Partial:
      return "部分导出";
    case OutcomeStatus::Skipped:
      return "已跳过";
    case OutcomeStatus::Failed:
      return "失败";
    case OutcomeStatus::NotReached:
      break;
  }
  return "未导出";
}

std::string ExistingStepText(ExistingStep step) {
  switch (step) {
    case ExistingStep::Created:
      return "新建";
    case ExistingStep::Skipped:
      return "已存在，跳过";
    case ExistingStep::Emptied:
      return "已存在，删除记录";
    case ExistingStep::Recreated:
      return "已存在，删除后重建";
    case ExistingStep::Kept:
      return "已存在，追加";
    case ExistingStep::None:
      break;
  }
  return "";
}

std::string SummaryHeadline(const RunSummary& summary) {
  std::array<int, 5> count{};  // by OutcomeStatus
  for (const TableOutcome& t : summary.tables) ++count[static_cast<size_t>(t.status)];
  auto n = [&](OutcomeStatus s) { return std::to_string(count[static_cast<size_t>(s)]); };
  const bool complete = count[static_cast<size_t>(OutcomeStatus::Exported)] +
                            count[static_cast<size_t>(OutcomeStatus::Skipped)] ==
                        static_cast<int>(summary.tables.size());
  std::string how;
  if (!summary.error.empty()) {
    how = "导出因错误中止";
  } else if (summary.cancelled) {
    how = "导出已取消";
  } else if (complete) {
    how = "导出完成";
  } else {
    how = "导出结束，有的表未能完整导出";
  }
  return how + "：共" + std::to_string(summary.tables.size()) + "个表，已导出" +
         n(OutcomeStatus::Exported) + "个，部分导出" + n(OutcomeStatus::Partial) + "个，跳过" +
         n(OutcomeStatus::Skipped) + "个，失败" + n(OutcomeStatus::Failed) + "个，未导出" +
         n(OutcomeStatus::NotReached) + "个";
}

std::string LogNotOpenedText(const std::string& logPath) {
  return "没有可以打开运行日志的程序，请用文本编辑器打开：\n" + logPath;
}

RunSummaryDialog::RunSummaryDialog(RunSummary summary, UserInterface& ui, QWidget* parent)
    : QDialog(parent), summary_(std::move(summary)), ui_(ui) {
  setObjectName("RunSummaryDialog");
  setWindowTitle("导出结果");
  resize(640, 360);

  auto* headline = new QLabel(Q(SummaryHeadline(summary_)), this);
  headline->setObjectName("lblHeadline");
  headline->setWordWrap(true);
  auto* error = new QLabel(Q("错误：" + summary_.error), this);
  error->setObjectName("lblError");
  error->setWordWrap(true);
  error->setTextInteractionFlags(Qt::TextSelectableByMouse);
  error->setVisible(!summary_.error.empty());

  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName("tblOutcomes");
  QStringList headers;
  for (const char* h : kHeaders) headers << h;
  table_->setHorizontalHeaderLabels(headers);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  FillTable();

  auto* log = new QLabel(Q("运行日志：" + summary_.logPath), this);
  log->setObjectName("lblLog");
  log->setWordWrap(true);
  log->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* buttons = new QDialogButtonBox(this);
  auto* open = buttons->addButton("打开日志", QDialogButtonBox::ActionRole);
  open->setObjectName("btnOpenLog");
  auto* close = buttons->addButton("关闭", QDialogButtonBox::AcceptRole);
  close->setObjectName("btnClose");
  close->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(headline);
  layout->addWidget(error);
  layout->addWidget(table_, 1);
  layout->addWidget(log);
  layout->addWidget(buttons);

  connect(open, &QPushButton::clicked, this, [this] { OpenLog(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

void RunSummaryDialog::FillTable() {
  table_->setRowCount(static_cast<int>(summary_.tables.size()));
  for (size_t i = 0; i < summary_.tables.size(); ++i) {
    const TableOutcome& t = summary_.tables[i];
    // Counts only for a table the run reached; an unreached one has none to tell.
    auto count = [&](int64_t value) { return Reached(t) ? std::to_string(value) : std::string(); };
    const std::string cells[kColumns] = {t.table,
                                         OutcomeStatusText(t.status),
                                         ExistingStepText(t.existing),
                                         count(t.rowsCounted),
                                         count(t.rowsWritten),
                                         count(t.rowsRefused),
                                         t.firstError};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(Q(cells[c]));
      if (c >= 3 && c <= 5) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == 6) item->setToolTip(Q(cells[c]));
      table_->setItem(static_cast<int>(i), c, item);
    }
  }
  table_->resizeColumnsToContents();
}

void RunSummaryDialog::OpenLog() {
  if (ui_.ShellOpen(summary_.logPath, "open") >= kFirstSuccessCode) return;
  ui_.Message(LogNotOpenedText(summary_.logPath));
}

void ShowRunSummary(RunSummary summary, UserInterface& ui, QWidget* parent) {
  RunSummaryDialog dialog(std::move(summary), ui, parent);
  dialog.exec();
}

}  // namespace mvq
