#pragma once

#include "game/RenderObjectData.h"
#include "lang/Array.h"
#include "lang/Format.h"
#include "lang/Hashtable.h"
#include "lang/String.h"

#include <box2d/box2d.h>

#include <exception>
#include <functional>
#include <string_view>
#include <variant>
#include <vector>

namespace game {

/// What a new physics object is made of.
struct ObjectDef
{
    enum Shape { BOX, CIRCLE, POLYGON };

    Shape shape = BOX;
    lang::String name;
    lang::String sprite;           ///< kept in the record; the world resolves no sprites
    float x = 0, y = 0;            ///< position, world units
    float width = 1, height = 1;   ///< box size; a polygon only carries them
    float radius = 1;              ///< circle radius
    lang::Array<b2Vec2> vertices;  ///< polygon outline, body-local, 3 to 8 points
    float density = 0;             ///< 0 makes a static body
    float friction = 0, restitution = 0;
    bool collides = true;          ///< boxes and polygons; circles always collide
    bool bird = false;
    float zOrder = 0;

    /// Why no body can be made of this (a number that is not finite, a size not above 0,
    /// a polygon the physics library would collapse), or false when it can.
    bool invalid(lang::Format* why) const;
};

/// Joint types as the scripts number them.
enum JointType { JOINT_DISTANCE = 1, JOINT_WELD = 2, JOINT_REVOLUTE = 3, JOINT_PRISMATIC = 4, JOINT_DESTROY_LINK = 5 };

/// A joint between two named objects, as asked for.
struct JointDef
{
    int type = 0;
    lang::String name, end1, end2;
    int coordType = 0; ///< distance anchors: 0 body centres, 1 world points, 2 local points
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    b2Vec2 worldAnchorA{0, 0}, worldAnchorB{0, 0}; ///< distance joints of coordType 1
    float frequency = 4;    ///< Hz; 0 (or less) makes a rigid rod of the rest length
    float dampingRatio = 0.5f;
    bool collideConnected = false;
    bool motor = false;
    float motorSpeed = 0;
    float maxTorque = 10000; ///< torque for hinges, force for sliders
    bool limit = false;
    float lowerLimit = 0, upperLimit = 3.1415927f; ///< radians for hinges, units for sliders
    bool backAndForth = false;
    b2Vec2 axis{0, 0};       ///< slider axis, world frame
    float destroyTimer = 1;  ///< destroy links: seconds

    /// The defaults of a type: sliders have their motor, limit and back-and-forth on and
    /// an upper limit of 5.
    static JointDef ofType(int type);
};

/// A joint between two named objects; links (type 5) have no physics joint.
struct JointRecord
{
    lang::String name;
    lang::String end1;
    lang::String end2;
    b2Joint* joint = nullptr; ///< owned by the physics world
    int coordType = 0;
    float frequency = 4, dampingRatio = 0.5f; ///< distance joints: the spring as asked for
    float destroyTimer = 1; ///< links: seconds, as made
};

/// Settings of an existing joint that setJointParameter changes.
enum JointParameter { MOTOR, MOTOR_SPEED, MAX_TORQUE, LIMIT, LOWER_LIMIT, UPPER_LIMIT, FREQUENCY, DAMPING_RATIO };

/// What the world asks of the game while it runs, and tells it. The script binding
/// answers from the scripts' tables; every answer has a neutral default, so a world runs
/// with a bare listener. Called on the main thread; the contact questions and the
/// collision calls come from inside a physics step.
class WorldListener
{
public:
    /// An object's strength and defence at contact time.
    struct Damage
    {
        bool hasStrength = false; ///< none: indestructible
        float strength = 0;
        bool hasDefence = false;
        float defence = 0;
    };
    /// How a bird hits a victim.
    struct BirdFactors
    {
        float damageMultiplier = 1;
        float velocityMultiplier = 1;
        bool legacy = false; ///< the older slow-down rule
    };

    virtual ~WorldListener() = default;

    virtual void objectCreated(RenderObjectData&, const ObjectDef&) {}
    /// setPosition took effect.
    virtual void objectMoved(RenderObjectData&) {}
    /// setRotation took effect.
    virtual void objectTurned(RenderObjectData&) {}
    /// The publishing pass reached an object that is or was awake; angle is the body's,
    /// outside whether it is below y 20 or beyond a level limit (dynamic bodies only).
    virtual void objectPublished(RenderObjectData&, float /*angle*/, bool /*awake*/, bool /*outside*/) {}
    /// used holds the anchors and settings the joint was made with.
    virtual void jointCreated(const JointRecord&, const JointDef& /*used*/) {}
    virtual void jointRemoved(const JointRecord&) {}
    /// The publishing pass's anchors, world frame.
    virtual void jointMoved(const JointRecord&, b2Vec2 /*anchorA*/, b2Vec2 /*anchorB*/) {}
    /// Seconds until a link's second object breaks once its first is removed.
    virtual float linkDelay(const JointRecord&, float made) { return made; }

    /// Whether the contact rules apply to the object at all.
    virtual bool takesPart(const RenderObjectData&) { return true; }
    virtual Damage damage(const RenderObjectData&) { return Damage(); }
    virtual void setStrength(RenderObjectData&, float) {}
    /// The object's strength reached 0: a collision or its destroy timer broke it.
    virtual void destroyed(RenderObjectData&) {}
    /// Whether the object is of the material that z-order-999 circles pass through.
    virtual bool isImmovable(const RenderObjectData&) { return false; }
    virtual BirdFactors birdFactors(const RenderObjectData& /*bird*/, const RenderObjectData& /*victim*/)
    {
        return BirdFactors();
    }
    /// Points for block-on-block damage (already floored and times 10).
    virtual void addBlockScore(float) {}
    virtual void birdCollision(const RenderObjectData&, const RenderObjectData&, float /*impact*/, float /*damage*/) {}
    virtual void blockCollision(const RenderObjectData&, const RenderObjectData&, float /*impact*/, bool /*damageable*/) {}
    /// After each fixed step, once the changes asked for during it are made.
    virtual void stepped() {}
};

/// The game world: the physics world, its named objects and joints, the fixed 30 Hz step
/// with interpolation, the collision and damage rules and the publishing pass. Needs no
/// interpreter; the scripts reach it through GameLua. Main thread only.
///
/// The physics library refuses to create, destroy or move bodies while it steps, and the
/// collision calls run inside the step. Every change that the library would refuse is
/// kept and made right after the step, in the order asked, before stepped(); an object
/// removed during a step takes no further part in that step's contacts.
///
/// Misuse that a script can cause (numbers that are not finite, a joint to a missing or
/// the same object) throws lua::LuaException: the scripts are the usual caller, and it is
/// their error.
class World : public b2ContactListener, public b2ContactFilter
{
public:
    static constexpr float STEP = 1.0f / 30.0f;

    /// listener is not owned and must outlive the world.
    explicit World(WorldListener* listener);
    ~World() override;

    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // --- objects ---

    /// Makes an object; a name in use is replaced whole (its joints move to the new body,
    /// its links and joint tables stay). Returns the record, or null when the world is
    /// stepping and the object will be made after the step.
    RenderObjectData* createObject(const ObjectDef& def);
    /// Destroys an object and its joints; links from it start their second object's timer.
    void removeObject(const lang::String& name);
    /// Removes every object and joint.
    void clear();
    /// The object of that name, or null (also once removed during a step). A caller name
    /// logs "<caller>: no object named <name>" for a miss.
    RenderObjectData* find(std::string_view name, const char* caller = nullptr) const;
    RenderObjectData* find(const lang::String& name, const char* caller = nullptr) const
    {
        return find(name.view(), caller);
    }
    RenderObjectData* find(const char* name, const char* caller = nullptr) const
    {
        return find(std::string_view(name), caller);
    }
    /// Every object by name, in the order drawing and publishing walk them.
    const lang::Hashtable<lang::String, RenderObjectData*>& objects() const { return m_objectsByName; }

    void setPosition(const lang::String& name, float x, float y);
    /// angle in radians, stored in 0..2π.
    void setRotation(const lang::String& name, float angle);
    /// A dynamic body that its shapes give no mass gets mass 1.
    void setDynamic(const lang::String& name, bool dynamic);
    void setVelocity(const lang::String& name, float vx, float vy);
    void setAngularVelocity(const lang::String& name, float w);
    void applyImpulse(const lang::String& name, b2Vec2 impulse, b2Vec2 point);
    void applyForce(const lang::String& name, b2Vec2 force, b2Vec2 point);
    void setSleeping(const lang::String& name, bool sleeping);
    /// "wood", "rock" or "light"; any other text leaves the material as it is.
    void setMaterial(const lang::String& name, const lang::String& material);

    // --- joints ---

    void createJoint(const JointDef& def);
    void destroyJoint(const lang::String& name);
    /// The first joint (not link) of that name with a physics joint, or null.
    JointRecord* findJoint(const lang::String& name);
    /// Applies one setting if the joint's kind has it; false when it does not.
    bool setJointParameter(JointRecord& joint, JointParameter parameter, float value);
    /// Turns the motor of every joint of that name that has run into a limit.
    void checkJointLimits(const lang::String& name);
    const lang::Array<JointRecord>& joints() const { return m_joints; }
    const lang::Array<JointRecord>& links() const { return m_links; }

    // --- the run ---

    /// Whether step() and publish() do anything; off at first.
    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }
    /// While a level loads or is edited, contacts change nothing.
    void setLoading(bool on) { m_loading = on; }
    void setEditing(bool on) { m_editing = on; }
    /// Objects beyond these x limits (or below y 20) are reported outside.
    void setLevelLimits(int left, int right);
    int levelLeft() const { return m_levelLeft; }
    int levelRight() const { return m_levelRight; }
    /// Forgets the bird list and the time not yet simulated, for a new level.
    void beginLevel();
    /// The physics library's maximum translation of a body per step, a finite number above 0.
    static void setMaxTranslation(float distance);

    /// Fixed steps for dt seconds, then the interpolated state and the destroy timers.
    void step(float dt);
    /// Reports every object that is or was awake and every joint's anchors to the
    /// listener, and measures the motion and the rolling sounds.
    void publish();

    bool hasMovingObjects() const { return m_moving; }
    bool hasAwakeObjects() const { return m_awake; }
    bool hasMovingObjectsAboveTolerance() const { return m_movingAboveTolerance; }
    /// The loudest rolling object of a material (wood, rock, light) at the last publish.
    float rollingVolume(int material) const { return material > 0 && material < 4 ? m_rollingVolume[material] : 0; }

    b2World* b2world() const { return m_world; }
    float accumulator() const { return m_accumulator; }
    /// The wall time of the fixed steps of the last step() call, in ms: the physics library's
    /// and ours around it (callbacks, deferred changes, snapshots).
    float stepMilliseconds() const { return m_stepMilliseconds; }
    /// How many fixed steps the last step() call took.
    int stepsTaken() const { return m_stepsTaken; }
    int interpolationSlot() const { return m_slot; }
    /// Whether the physics library is inside a step (changes now wait for its end).
    bool isStepping() const { return m_world->IsLocked(); }

    /// Interpolates an angle from older to newer by alpha, the short way round.
    static float interpolateAngle(float older, float newer, float alpha);

    // b2ContactFilter and b2ContactListener: run inside the physics step.
    bool ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) override;
    void BeginContact(b2Contact* contact) override;
    void PreSolve(b2Contact* contact, const b2Manifold* oldManifold) override;

private:
    WorldListener* m_listener; ///< not owned
    b2World* m_world;
    lang::Hashtable<lang::String, RenderObjectData*> m_objectsByName;
    lang::Array<RenderObjectData*> m_birds; ///< circles made with the bird flag
    /// The objects whose bodies were awake at the last look, the only ones the fixed step
    /// snapshots and interpolates: a level at rest costs it nothing per object.
    std::vector<RenderObjectData*> m_awakeRecords;
    bool m_timersMayRun = false; ///< a destroy timer started since the last walk found none
    lang::Array<JointRecord> m_joints; ///< types 1-4 (and unknown types), in creation order
    lang::Array<JointRecord> m_links;  ///< destroy links (type 5)
    std::vector<std::function<void()>> m_deferred; ///< changes asked for during a step
    std::exception_ptr m_stepFailure; ///< an error raised inside the step, thrown after it
    float m_accumulator = 0;
    int m_slot = 0;
    int m_levelLeft = 0, m_levelRight = 0;
    float m_stepMilliseconds = 0;
    int m_stepsTaken = 0;
    bool m_enabled = false;
    bool m_loading = false;
    bool m_editing = false;
    bool m_moving = false, m_awake = false, m_movingAboveTolerance = false;
    float m_rollingVolume[4] = {};

    /// Keeps a change for the end of the step when the world is locked; true if kept.
    bool deferred(std::function<void()> change);
    void applyDeferred();
    /// The record under name, removed or not.
    RenderObjectData* lookup(std::string_view name) const;
    /// Marks an object removed during a step and switches its contacts off.
    void retire(RenderObjectData* record);
    RenderObjectData* makeObject(const ObjectDef& def);
    void destroyRecord(RenderObjectData* record);
    /// Lists a record whose body is awake and not listed yet.
    void noteAwake(RenderObjectData* record);
    void noteAwake(b2Body* body);
    /// Both bodies of a joint.
    void noteAwake(b2Joint* joint);
    /// Lists the bodies the last physics step woke: every one of them shares a touching
    /// contact or a joint, directly or through other woken bodies, with one that was awake
    /// (an island sleeps and wakes whole).
    void listWoken();
    /// A listed body found asleep leaves the list, its snapshots and drawn state set to where
    /// it rests: drawn there while it sleeps, and interpolated from there once it wakes.
    void settle(RenderObjectData* record);
    void removeJointsOf(const lang::String& object);

    /// A joint of a replaced object, kept to be made again on its new body.
    struct KeptJoint
    {
        int index = 0;     ///< in m_joints
        bool onA = false;  ///< the replaced object is the joint's body A
        std::variant<std::monostate, b2DistanceJointDef, b2WeldJointDef, b2RevoluteJointDef, b2PrismaticJointDef> def;
    };
    std::vector<KeptJoint> keepJoints(const RenderObjectData* old) const;
    void remakeJoints(std::vector<KeptJoint>& kept, RenderObjectData* record);
    void respring(b2Body* body);
    void buildJoint(const JointDef& def);
    void repairIfInvalid(RenderObjectData* record);

    void contact(b2Contact* contact);
    void blockOnBlock(RenderObjectData* a, RenderObjectData* b);
    void birdOnVictim(RenderObjectData* bird, RenderObjectData* victim, b2Contact* contact);
};

} // namespace game
