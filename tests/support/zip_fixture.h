#pragma once

#include <string>
#include <vector>

// Writes a ZIP archive holding one member stored without compression, for
// tests of the code that finds tiles inside archives.
void WriteStoredZip(const std::string& path, const std::string& memberName,
                    const std::vector<unsigned char>& data);
