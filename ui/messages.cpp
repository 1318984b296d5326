#include "ui/messages.h"

#include <QCoreApplication>
#include <QWidget>

#include "analysis/planar_frame.h"
#include "formats/yuv_format.h"
#include "platform/file.h"

namespace ui {

namespace {

// The texts' context, as lupdate and the translators see it.
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(ui::Messages)
};

}  // namespace

QString NoticeText(corvane::Notice notice) {
  switch (notice) {
    case corvane::Notice::kSplicedParaRefused:
      return Texts::tr("该文件为拼接文件，参数不可设置.");
  }
  return {};
}

std::function<void(corvane::Notice)> NoticeHandlerFor(QWidget* parent) {
  return [parent](corvane::Notice notice) {
    QMetaObject::invokeMethod(
        parent, [parent, notice] { Prompts::Current().ShowMessage(parent, NoticeText(notice), MessageKind::kWarning); },
        Qt::QueuedConnection);
  };
}

QString OpenFailureText(session::OpenFailure failure) {
  return failure == session::OpenFailure::kTooShort ? Texts::tr("文件长度不够播放一帧\n") : Texts::tr("打开文件失败\n");
}

QString ErrorText(int error) {
  if (error == platform::kNotRegularFile) return Texts::tr("不是普通文件（是管道、设备或套接字）");
  return QString::fromLocal8Bit(platform::ErrorText(error).c_str());
}

QString OpenProblemText(const session::OpenProblem& problem) {
  using Kind = session::OpenProblem::Kind;
  const corvane::YUVPara& para = problem.para;
  const QString size = QStringLiteral("%1×%2").arg(para.width).arg(para.height);
  switch (problem.kind) {
    case Kind::kUnknown: return {};
    case Kind::kSystem: return ErrorText(problem.error);
    case Kind::kFolder: return Texts::tr("这是一个文件夹，不是文件");
    case Kind::kNotRegular: return ErrorText(platform::kNotRegularFile);
    case Kind::kEmpty: return Texts::tr("文件是空的（0字节）");
    case Kind::kDamagedTrailer:
      return Texts::tr("文件末尾的参数记录已损坏：%1").arg(QString::fromStdString(problem.damage));
    case Kind::kBadHeader:
      return Texts::tr("Y4M文件头无法使用：%1").arg(QString::fromStdString(problem.damage));
    case Kind::kCodedRefused:
      return Texts::tr("视频文件无法使用：%1").arg(QString::fromStdString(problem.damage));
    case Kind::kFrameTooLarge:
      return Texts::tr("一帧超过4 GB（%1 %2），无法播放")
          .arg(QString::fromStdString(std::string(corvane::UserFormatName(para.format))), size);
    case Kind::kNeedsMoreMemory:
      return Texts::tr("播放这样的帧（%1 %2）需要约%3 GB内存，超过本机的%4 GB")
          .arg(QString::fromStdString(std::string(corvane::UserFormatName(para.format))), size)
          .arg(double(problem.needBytes) / 1e9, 0, 'f', 1)
          .arg(double(problem.haveBytes) / 1e9, 0, 'f', 1);
    case Kind::kNoFrameSize:
      return Texts::tr("参数给不出一帧的大小（格式代码 %1，%2）")
          .arg(QString::fromStdString(corvane::CodeName(para.format)), size);
  }
  return {};
}

QString MetricsRefusalText(const corvane::analysis::CompareStatus& status) {
  using corvane::analysis::CompareCode;
  QString why;
  switch (status.code) {
    case CompareCode::kSizeMismatch: why = Texts::tr("两个文件的画面尺寸不同"); break;
    case CompareCode::kSamplingMismatch: why = Texts::tr("两个文件的色度采样不同"); break;
    case CompareCode::kDepthMismatch: why = Texts::tr("两个文件的位深不同"); break;
    case CompareCode::kTooSmallForSsim: why = Texts::tr("画面太小，无法计算SSIM"); break;
    default: why = Texts::tr("对比文件无法读取"); break;
  }
  return Texts::tr("%1：不计算PSNR/SSIM，也没有差值视图；两个文件仍可并排查看。").arg(why);
}

namespace {

// "I010 64×48 4:2:0 10位" and, for a spliced file, its segment before it.
QString SideAt(const corvane::analysis::CompareStatus& s, int i) {
  const corvane::YUVPara& p = s.para[i];
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t size = 0;
  corvane::GetTypeAndFrameSize(&p, &type, &size);
  std::string name(corvane::UserFormatName(p.format));
  if (name.empty()) name = corvane::CodeName(p.format);
  QString text = QStringLiteral("%1 %2×%3 %4 ")
                     .arg(QString::fromStdString(name))
                     .arg(p.width)
                     .arg(p.height)
                     .arg(QString::fromLatin1(corvane::analysis::SamplingName(corvane::analysis::SamplingOf(type)))) +
                 Texts::tr("%1位").arg(corvane::BitDepthOf(type));
  if (s.spliced[i]) text = Texts::tr("第%1段 %2").arg(s.segment[i] + 1).arg(text);
  return text;
}

// "10位、3个平面": what a pair of frames is compared as.
QString ShapeOf(const corvane::YUVPara& a, const corvane::YUVPara& b) {
  corvane::YUVType ta = corvane::YUV_NONE, tb = corvane::YUV_NONE;
  uint32_t size = 0;
  corvane::YUVPara pa = a, pb = b;
  corvane::GetTypeAndFrameSize(&pa, &ta, &size);
  corvane::GetTypeAndFrameSize(&pb, &tb, &size);
  const corvane::analysis::PlanarFrame shape =
      corvane::analysis::PlanarShape(ta, a.width, a.height, corvane::analysis::CompareDepth(ta, tb));
  return Texts::tr("%1位、%2个平面").arg(shape.depth).arg(shape.planeCount);
}

}  // namespace

QString MetricsLimitText(const corvane::analysis::CompareStatus& limit) {
  using corvane::analysis::CompareCode;
  QString what;
  switch (limit.code) {
    case CompareCode::kSizeMismatch: what = Texts::tr("两个文件的画面尺寸从第%1帧起不同"); break;
    case CompareCode::kSamplingMismatch: what = Texts::tr("两个文件的色度采样从第%1帧起不同"); break;
    case CompareCode::kDepthMismatch: what = Texts::tr("两个文件的位深从第%1帧起不同"); break;
    case CompareCode::kShapeChanges:
      what = Texts::tr("比较的样本在第%1帧由%2变为%3，一个汇总不能包含两者")
                 .arg(QStringLiteral("%1"), ShapeOf(limit.earlier[0], limit.earlier[1]),
                      ShapeOf(limit.para[0], limit.para[1]));
      break;
    case CompareCode::kTooSmallForSsim: what = Texts::tr("从第%1帧起画面太小，无法计算SSIM"); break;
    default: return {};
  }
  return Texts::tr("%1（A：%2；B：%3）。\n只计算第1至%4帧的PSNR/SSIM。")
      .arg(what.arg(limit.frame), SideAt(limit, 0), SideAt(limit, 1))
      .arg(limit.frame - 1);
}

QString ToolResultText(Tool tool, const corvane::tools::ToolResult& result) {
  using corvane::tools::ToolCode;
  const bool cut = tool == Tool::kCut;
  switch (corvane::tools::CodeOf(result)) {
    case ToolCode::kOk: return cut ? Texts::tr("剪切完成.") : Texts::tr("拼接完成!");
    case ToolCode::kCancelled: return {};
    case ToolCode::kNoInputs: return Texts::tr("请先添加待文件");
    case ToolCode::kOpenSourceFailed: return cut ? Texts::tr("打开文件错误!\n") : Texts::tr("打开文件失败!\n");
    case ToolCode::kOutOfMemory: return Texts::tr("申请内存失败!");
    case ToolCode::kReadFailed: return Texts::tr("读取文件失败");
    case ToolCode::kWriteFailed: return Texts::tr("写入文件失败");
    case ToolCode::kBadRange: return Texts::tr("输入参数不合法!\n");
    case ToolCode::kNoTarget:
    case ToolCode::kTargetExists:
    case ToolCode::kTargetIsSource:
    case ToolCode::kCreateTargetFailed: return cut ? Texts::tr("创建剪切文件失败!") : Texts::tr("创建拼接文件失败!");
    default:
      // A cut: parameters that give no frame, a spliced source. A splice: a
      // trailer missing, damaged, empty or changed since it was added.
      return cut ? Texts::tr("文件参数获取失败!") : Texts::tr("拼接参数失败");
  }
}

MessageKind ToolResultKind(const corvane::tools::ToolResult& result) {
  return result ? MessageKind::kInformation : MessageKind::kError;
}

}  // namespace ui
