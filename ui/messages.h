// The one place where the player's result codes become the user's words:
// the engine's notice, why a file did not open, how a cut or splice ended.
// The command line has its own (cli/messages.cpp); both word the same codes.
#pragma once

#include <QString>
#include <functional>

#include "engine/source_host.h"
#include "session/player_session.h"
#include "tools/tool_job.h"
#include "ui/prompts.h"

namespace ui {

enum class Tool { kCut, kSplice };

QString NoticeText(corvane::Notice notice);
// A handler for the engine's notice (called on any thread) that shows it in
// a message box over `parent` on the GUI thread.
std::function<void(corvane::Notice)> NoticeHandlerFor(QWidget* parent);
QString OpenFailureText(session::OpenFailure failure);
// Why the file did not open, for beneath OpenFailureText; empty when the
// file says nothing more.
QString OpenProblemText(const session::OpenProblem& problem);
// The reason of an errno value (or platform::kNotRegularFile).
QString ErrorText(int error);
// Why a second file's quality cannot be measured against the open file.
QString MetricsRefusalText(const corvane::analysis::CompareStatus& status);
// Why the quality is measured only up to a frame (QualityTrack::Limit): what
// changes there, both files' format at that frame, and the frames measured.
QString MetricsLimitText(const corvane::analysis::CompareStatus& limit);
// Empty for a cancel: the user asked for it and the target is gone.
QString ToolResultText(Tool tool, const corvane::tools::ToolResult& result);
MessageKind ToolResultKind(const corvane::tools::ToolResult& result);

}  // namespace ui
