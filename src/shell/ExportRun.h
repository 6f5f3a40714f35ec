#pragma once
// The export run behind next on the export page: two banner lines in the run log, fresh
// gateways with the server functions installed, every name of lbnew through the conversion
// engine or the workbook writer under the progress window, then the gateways released (the
// functions dropped), next enabled again and the run log opened. The clean-up runs however
// the run ends; an error then continues to the caller.
#include "shell/Connecting.h"
#include "shell/RunReport.h"

namespace mvq {

inline constexpr std::string_view kRunBannerDashes = "-----------------------";  // 23
inline constexpr std::string_view kEmptyExportListMessage = "请在右边：导出表列表中增加表";

// The banner: dashes, "新的一次导出开始", dashes, the direction's item text, dashes.
std::string RunBanner(int32_t direction);

// btnExpClick. report is filled as the run goes, so that it is complete also when an error
// ends the run.
void btnExpClick(ShellContext& c, ExportRunReport& report);

}  // namespace mvq
