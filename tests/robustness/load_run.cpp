// The load runs of the native robustness tests.
#include "load_run.h"

#include "base/text.h"
#include "render/listing.h"
#include "render/load.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx::test {

LoadRun loadRun(const std::string& path) {
    LoadRun run;
    TraceCapture trace;
    run.listing = loadImage(u16path(path), run.image);
    run.lines = trace.lines;
    run.secondSet = setupString(run.image, 1);
    return run;
}

std::vector<std::u16string> undeterminedLines(const std::string& path, bool opens) {
    const std::u16string name = u16path(path);
    return {u"setType - disk file not supprted",
            u"getDirEntries - can't determine file type for <" + name + u">\n",
            opens ? std::u16string(u"getBAMEntries - unknown disk type")
                  : u"getBAMEntries - can't open file <" + name + u">\n",
            u"setupString - empty list"};
}

ProgramResult runQvx(std::vector<std::string> args) {
    args.insert(args.begin(), QVX_BINARY);
    return runProgram(args);
}

std::string asStderr(const std::vector<std::u16string>& lines) {
    std::string out;
    for (const std::u16string& line : lines) out += "QVX: " + toUtf8(line) + "\n";
    return out;
}

}  // namespace qvx::test
