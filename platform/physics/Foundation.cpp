#include "platform/physics/Foundation.h"

#include <new>

namespace phys {
namespace {

class FoundationImpl final : public Foundation {
public:
    void release() override { delete this; }
};

}  // namespace

Foundation* createFoundation()
{
    return new (std::nothrow) FoundationImpl();
}

}  // namespace phys
