// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.
#pragma once

#include <string>

namespace drav::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() + "/" + name
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Changes the current folder for the lifetime of the object (the data
// folder is the current folder of the program).
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir);
    ~ScopedChdir();

private:
    std::string m_previous;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace drav::test
