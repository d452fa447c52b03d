#pragma once

// Root objects of the physics layer.
//
// Every object handed out by a create function is given back with release(). Objects that a
// Physics made (materials, shapes, static actors, scenes, controller managers and controllers)
// stay in memory until that Physics is released, so releasing one of them a second time, or
// using it after its release, is harmless: the object is inert by then. The Physics, the
// foundation, the CPU dispatcher and the visual-debugger objects free themselves on release.

namespace phys {

class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    virtual void release() = 0;

protected:
    Object() = default;
    virtual ~Object() = default;
};

// The process-wide root; created before everything else and released after everything else.
class Foundation : public Object {};

// Null only when memory runs out.
Foundation* createFoundation();

}  // namespace phys
