// Meets the file system as an ordinary user does: run as root, the test takes
// the ids of "nobody" for the scope (keeping root as its saved id, to return
// to); otherwise it already runs as an ordinary user. Root ignores the
// permission bits, so a test of what they refuse needs this to mean anything.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include <grp.h>
#include <unistd.h>

namespace testsupport {

class AsOrdinaryUser {
  public:
    AsOrdinaryUser() : root_(::geteuid() == 0) {
        if (!root_) return;
        groups_.resize(static_cast<size_t>(::getgroups(0, nullptr)));
        groups_.resize(
            static_cast<size_t>(::getgroups(static_cast<int>(groups_.size()), groups_.data())));
        EXPECT_EQ(::setgroups(0, nullptr), 0);
        EXPECT_EQ(::setresgid(kNobody, kNobody, 0), 0);
        EXPECT_EQ(::setresuid(kNobody, kNobody, 0), 0);
    }
    ~AsOrdinaryUser() {
        if (!root_) return;
        EXPECT_EQ(::setresuid(0, 0, 0), 0);
        EXPECT_EQ(::setresgid(0, 0, 0), 0);
        EXPECT_EQ(::setgroups(groups_.size(), groups_.data()), 0);
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

  private:
    static constexpr uid_t kNobody = 65534;
    bool root_;
    std::vector<gid_t> groups_;
};

} // namespace testsupport
