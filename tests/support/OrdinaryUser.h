#pragma once
// While an OrdinaryUser lives, this thread's file accesses are checked as those of the user and
// group "nobody" (and any supplementary groups): a file without read permission then cannot be
// read, as it cannot for a player.
// Root is let through whatever a file's mode says; for another user the modes hold anyway and
// nothing changes. Such a user owns the files its test makes, so a file meant to be unreadable
// must deny its owner too (mode 000, or a folder of mode 000 around it).
#include <sys/fsuid.h>
#include <unistd.h>

class OrdinaryUser {
public:
    OrdinaryUser() {
        if (geteuid() == 0) {
            setfsgid(nobody);
            setfsuid(nobody);
            // setfsuid reports the user it replaces; an id it refuses leaves the current one.
            switched = setfsuid(static_cast<uid_t>(-1)) == nobody;
        }
    }
    ~OrdinaryUser() {
        if (geteuid() == 0) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

    // False when running as root and the switch was refused: permissions are not checked then.
    bool checksPermissions() const { return geteuid() != 0 || switched; }

private:
    static constexpr uid_t nobody = 65534;
    bool switched = false;
};
