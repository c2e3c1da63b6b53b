#pragma once
// A real file system of a few KiB (tmpfs) mounted on a folder of its own, to
// see what the program does when the disk fills up in the middle of a write:
// tmpfs takes a write up to its last free page and then cuts it short, as a
// full disk does, unlike /dev/full, which refuses every byte. Mounting needs
// root and Linux; where that is not possible, ok() is false and the test
// skips with whyNot().

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace pxr::test {

class SmallFileSystem {
public:
    explicit SmallFileSystem(int kib)
    {
#ifdef _WIN32
        (void)kib;
#else
        char folder[] = "/tmp/pxr-smallfs-XXXXXX";
        if (!::mkdtemp(folder))
            return;
        m_path = folder;
        const std::string options = "size=" + std::to_string(kib) + "k,mode=0777";
        m_mounted = ::mount("tmpfs", folder, "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
#endif
    }
    ~SmallFileSystem()
    {
#ifndef _WIN32
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
        if (!m_path.empty())
            ::rmdir(m_path.c_str());
#endif
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool ok() const { return m_mounted; }
    static const char* whyNot()
    {
#ifdef _WIN32
        return "Windows has no tmpfs of a few KiB to fill up";
#else
        return "cannot mount a small file system here (needs root)";
#endif
    }
    std::string path(const std::string& name) const { return m_path + "/" + name; }

    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

} // namespace pxr::test
