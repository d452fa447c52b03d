// Who deletes an OpenGL name, and when: the handle's ownership rules and the release list,
// without a context. A kind that records what it would make and delete stands in for OpenGL.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/GlHandle.h"
#include "framework/GlLifetime.h"

namespace {

std::vector<GLuint> deletedNames;
GLuint nextFakeName = 100;

struct RecordingKind {
    static GLuint make() { return nextFakeName++; }
    static void destroy(GLuint name) { deletedNames.push_back(name); }
};
using RecordedName = GlName<RecordingKind>;

class GlHandle : public ::testing::Test {
protected:
    void SetUp() override {
        deletedNames.clear();
        setGlContextAlive(true);
    }
    void TearDown() override { setGlContextAlive(false); }
};

TEST_F(GlHandle, EveryNameIsDeletedOnceByItsLastOwnerAndAMoveTargetDropsItsOwnFirst) {
    GLuint moved = 0;
    GLuint replaced = 0;
    {
        RecordedName first = RecordedName::generate();
        moved = first;
        RecordedName second(std::move(first));
        EXPECT_EQ(first.id(), 0u);
        EXPECT_EQ(second.id(), moved);

        RecordedName target = RecordedName::generate();
        replaced = target;
        target = std::move(second);
        EXPECT_EQ(deletedNames, std::vector<GLuint>{replaced});
        EXPECT_EQ(target.id(), moved);

        // The emptied sources own nothing any more.
        first.release();
        second.release();
        EXPECT_EQ(deletedNames.size(), 1u);
    }
    EXPECT_EQ(deletedNames, (std::vector<GLuint>{replaced, moved}));

    // Released by hand, a name is not deleted a second time by the destructor.
    {
        RecordedName name = RecordedName::generate();
        name.release();
        name.release();
    }
    EXPECT_EQ(deletedNames.size(), 3u);
}

TEST_F(GlHandle, OnceTheContextIsGoneANameIsForgottenWithoutACall) {
    RecordedName name = RecordedName::generate();
    setGlContextAlive(false);
    name.release();
    EXPECT_EQ(name.id(), 0u);
    EXPECT_TRUE(deletedNames.empty());
}

TEST(GlReleaseList, RunsNewestFirstOnceAndNeverCallsAnOwnerThatIsGone) {
    std::vector<int> order;
    addGlRelease([&] { order.push_back(1); });
    { GlReleaseEntry gone([&] { order.push_back(2); }); }
    auto owner = std::make_unique<GlReleaseEntry>([&] {
        order.push_back(3);
        // An owner made while the list runs still gives its names back, before the older ones.
        addGlRelease([&] { order.push_back(5); });
    });
    addGlRelease([&] { order.push_back(4); });

    releaseGlObjects();
    EXPECT_EQ(order, (std::vector<int>{4, 3, 5, 1}));

    owner.reset();
    order.clear();
    releaseGlObjects();
    EXPECT_TRUE(order.empty());
}

}  // namespace
