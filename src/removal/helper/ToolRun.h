#pragma once

#include <string>
#include <vector>

// One run of a removal tool as the superuser, inside an already opened and
// checked folder, with the names given relative to it.
class ToolRun final {
public:
    struct Result {
        int exitStatus
            = 0; // the tool's exit code, 128 + the signal that ended it, or 127 when it did not start
        std::string output;
        std::string errorOutput;
    };

    // Runs the tool with "--" and the names as separate arguments: no shell, and
    // no name can be taken for an option. The tool's working folder is the one
    // behind folderDescriptor, so the names reach exactly the entries of the
    // folder that was checked, whatever happens to the path leading to it.
    static Result run(const std::string& tool, int folderDescriptor, const std::vector<std::string>& names);
};
