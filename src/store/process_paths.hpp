#pragma once
// The process's own locations. The first call of either function reads the
// real environment, the working directory and the home directory once and
// settles dataDir and then logURL (which builds on it); both stay fixed for the
// life of the process. Start-up calls dataDir() before any other thread runs,
// so later changes to the environment or the working directory move nothing.

#include <filesystem>

const std::filesystem::path& dataDir();
const std::filesystem::path& logURL();

namespace Store {

std::filesystem::path lastURL();   // dataDir/last.json
std::filesystem::path stateURL();  // dataDir/state.json

}  // namespace Store

namespace UpdateStore {

std::filesystem::path url();  // dataDir/update.json

}  // namespace UpdateStore
