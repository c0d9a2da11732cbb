#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>

#include "platform/os.h"
#include "root/library_state.h"
#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

template <class T>
bool Registered(const vgx::Registry<T>& registry, const std::shared_ptr<T>& member) {
    return std::find(registry.begin(), registry.end(), member) != registry.end();
}

class GarbageCollection : public ::testing::Test {
protected:
    void SetUp() override {
        root->CollectGarbage();
        root->CollectGarbage();
    }
    std::shared_ptr<Vgx> root = Vgx::Create();
};

// For every kind: one member the host holds and one it dropped.
TEST_F(GarbageCollection, ReleasesExactlyTheUnreferencedMembersOfEveryKind) {
    vgx::Registries& r = vgx::Registered();
    auto heldGroup = root->CreateGroup(nullptr);
    auto heldObject = root->CreateObject();
    heldGroup->AddObject(heldObject);
    auto heldLight = root->CreateLight(VgxLightPoint, 0);
    auto heldMaterial = root->CreateMaterial();
    auto heldTexture = MakeBare<VgxTexture>();
    auto heldPicks = MakeBare<VgxPickArray>();
    r.textures.push_back(heldTexture);
    r.pickArrays.push_back(heldPicks);
    auto heldChildren = heldGroup->GetChildren();
    auto heldObjects = heldGroup->GetObjects();
    auto heldLights = heldGroup->GetLights();
    auto heldFaces = heldObject->GetFaces();

    std::vector<std::weak_ptr<void>> dropped;
    {
        auto group = root->CreateGroup(nullptr);
        auto object = root->CreateObject();
        auto texture = MakeBare<VgxTexture>();
        auto picks = MakeBare<VgxPickArray>();
        r.textures.push_back(texture);
        r.pickArrays.push_back(picks);
        dropped = {group,
                   object,
                   root->CreateLight(VgxLightPoint, 0),
                   root->CreateMaterial(),
                   texture,
                   picks,
                   heldGroup->GetChildren(),
                   heldGroup->GetObjects(),
                   heldGroup->GetLights(),
                   heldObject->GetFaces()};
    }
    vgx::test::ClearLog();
    root->CollectGarbage();
    for (size_t i = 0; i < dropped.size(); ++i) EXPECT_TRUE(dropped[i].expired()) << "kind " << i;
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Releasing Texture (RC=2)"}));

    EXPECT_TRUE(Registered(r.groups, heldGroup));
    EXPECT_TRUE(Registered(r.objects, heldObject));
    EXPECT_TRUE(Registered(r.lights, heldLight));
    EXPECT_TRUE(Registered(r.materials, heldMaterial));
    EXPECT_TRUE(Registered(r.textures, heldTexture));
    EXPECT_TRUE(Registered(r.pickArrays, heldPicks));
    EXPECT_TRUE(Registered(r.groupArrays, heldChildren));
    EXPECT_TRUE(Registered(r.objectArrays, heldObjects));
    EXPECT_TRUE(Registered(r.lightArrays, heldLights));
    EXPECT_TRUE(Registered(r.faceArrays, heldFaces));
    EXPECT_EQ(r.groups.size(), 1u);
    EXPECT_EQ(r.objects.size(), 1u);
    // What is held keeps what it holds: the object stays in its group with its root.
    EXPECT_EQ(heldObjects->GetElement(0), heldObject);
    EXPECT_EQ(RootOf(*heldObject), root);
}

TEST_F(GarbageCollection, ObjectsHeldByGroupsOrArraysStay) {
    std::weak_ptr<VgxObject> inGroup, inFaceArray, loose;
    auto group = root->CreateGroup(nullptr);
    std::shared_ptr<VgxFaceArray> faces;
    {
        auto a = root->CreateObject(), b = root->CreateObject(), c = root->CreateObject();
        group->AddObject(a);
        faces = b->GetFaces();
        inGroup = a, inFaceArray = b, loose = c;
    }
    root->CollectGarbage();
    EXPECT_FALSE(inGroup.expired());
    EXPECT_FALSE(inFaceArray.expired());
    EXPECT_TRUE(loose.expired());
    // Once the group and the array go, their objects follow in the same collection.
    group.reset();
    faces.reset();
    root->CollectGarbage();
    EXPECT_TRUE(inGroup.expired());
    EXPECT_TRUE(inFaceArray.expired());
}

TEST_F(GarbageCollection, AnObjectHeldOnlyByItsFaceProxiesIsReleased) {
    const std::vector<int32_t> triangle{3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0};
    std::weak_ptr<VgxObject> loose, viaProxy;
    std::shared_ptr<VgxFace> proxy;
    {
        auto a = root->CreateObject(), b = root->CreateObject();
        for (auto& object : {a, b}) object->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, triangle,
                                                     false, false);
        proxy = b->GetFace(0);
        loose = a, viaProxy = b;
    }
    root->CollectGarbage();
    EXPECT_TRUE(loose.expired());
    // The count cannot tell a proxy the host keeps from the object's own: that
    // object is collected too, and the host's proxy is left with an emptied object.
    ASSERT_FALSE(viaProxy.expired());
    EXPECT_EQ(viaProxy.lock()->GetFaceCount(), 0);
    EXPECT_EQ(RootOf(*viaProxy.lock()), nullptr);
    EXPECT_FALSE(Registered(vgx::Registered().objects, viaProxy.lock()));
    vgx::test::ExpectVgxError([&] { proxy->GetPointCount(); }, 9, "VgxFace", "Subscript out of range");
    proxy.reset();
    EXPECT_TRUE(viaProxy.expired());
}

TEST_F(GarbageCollection, AGroupHeldOnlyByItsChildrenIsDismantled) {
    std::weak_ptr<VgxGroup> top, middle;
    std::shared_ptr<VgxGroup> leaf;
    std::weak_ptr<VgxObject> object;
    {
        auto t = root->CreateGroup(nullptr);
        auto m = root->CreateGroup(t);
        leaf = root->CreateGroup(m);
        auto o = root->CreateObject();
        m->AddObject(o);
        top = t, middle = m, object = o;
    }
    root->CollectGarbage();
    // The top is held by its child only, the middle by its child only: both go
    // with the middle's object. The dismantling reaches the whole subtree, so the
    // host's leaf survives detached: no parent, no root, no lists.
    EXPECT_TRUE(top.expired());
    EXPECT_TRUE(middle.expired());
    EXPECT_TRUE(object.expired());
    EXPECT_EQ(leaf->GetParent(), nullptr);
    EXPECT_EQ(leaf->csVgx(), nullptr);
    EXPECT_EQ(leaf->GetObjects()->GetSize(), 0);
}

TEST_F(GarbageCollection, AGroupTheHostHoldsKeepsItsSubtree) {
    auto top = root->CreateGroup(nullptr);
    std::weak_ptr<VgxGroup> child;
    {
        auto c = root->CreateGroup(top);
        c->AddObject(root->CreateObject());
        child = c;
    }
    root->CollectGarbage();
    ASSERT_FALSE(child.expired());
    EXPECT_EQ(child.lock()->GetParent(), top);
    EXPECT_EQ(child.lock()->GetObjects()->GetSize(), 1);
}

TEST_F(GarbageCollection, DoesNothingWhileAlreadyRunning) {
    std::weak_ptr<VgxMaterial> material = root->CreateMaterial();
    vgx::Library().collectionBusy = true;
    root->CollectGarbage();
    EXPECT_FALSE(material.expired());
    vgx::Library().collectionBusy = false;
    root->CollectGarbage();
    EXPECT_TRUE(material.expired());
}

// A host plug-in whose destruction reaches back into the library while a
// collection is releasing the root that held it.
class ReentrantPlugin : public PluginMaterial {
public:
    ReentrantPlugin(std::shared_ptr<Vgx> other, std::shared_ptr<VgxObject>& created)
        : other_(std::move(other)), created_(created) {}
    ~ReentrantPlugin() override {
        other_->CollectGarbage();
        created_ = other_->CreateObject();
    }

private:
    std::shared_ptr<Vgx> other_;
    std::shared_ptr<VgxObject>& created_;
};

TEST_F(GarbageCollection, ReleasesDuringTheWalkMayReenterTheLibrary) {
    std::shared_ptr<VgxObject> createdDuringCollection;
    std::weak_ptr<Vgx> doomedRoot;
    std::weak_ptr<VgxMaterial> material = root->CreateMaterial();
    {
        auto doomed = Vgx::Create();
        doomed->SetPluginObject(doomed->GetPluginID("reentrant"),
                                std::make_shared<ReentrantPlugin>(root, createdDuringCollection));
        doomed->CreateObject();  // the object's back reference is all that keeps the root
        doomedRoot = doomed;
    }
    vgx::test::ClearLog();
    root->CollectGarbage();
    EXPECT_TRUE(doomedRoot.expired());
    ASSERT_TRUE(createdDuringCollection);
    EXPECT_EQ(RootOf(*createdDuringCollection), root);
    EXPECT_TRUE(Registered(vgx::Registered().objects, createdDuringCollection));
    EXPECT_TRUE(material.expired());
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Scene Graph Terminated"}));
}

TEST_F(GarbageCollection, ResetsTheHiddenDeviceAfterFiveMinutes) {
    int32_t now = 1000;
    vgx::platform::SetTickSource([&] { return now; });
    auto& library = vgx::Library();
    library.lastDeviceReset = 0;
    const int32_t resets = library.hiddenDevice->GetResetCount();
    root->CollectGarbage();
    EXPECT_EQ(library.lastDeviceReset, 1000);
    vgx::test::ClearLog();
    now += 300000;
    root->CollectGarbage();
    EXPECT_EQ(library.hiddenDevice->GetResetCount(), resets);
    now += 1;
    library.hiddenDevice->MarkLost();
    root->CollectGarbage();
    EXPECT_EQ(library.hiddenDevice->GetResetCount(), resets + 1);
    EXPECT_EQ(library.hiddenDevice->TestCooperativeLevel(), VgxDeviceOK);
    EXPECT_EQ(library.lastDeviceReset, 301001);
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Resetting Vgx Device"}));
    vgx::platform::SetTickSource(nullptr);
}

TEST_F(GarbageCollection, TexturesHeldOnlyByTheirEntryLoseTheirPixels) {
    auto texture = MakeBare<VgxTexture>();
    BindTexture(*texture, root, 1);
    vgx::iVgxTexture entry;
    entry.TextureName = "wall.bmp";
    entry.TextureOverlayName = "dirt.png";
    entry.TextureOverlayDensity = 0.5f;
    entry.Pixels.assign(4, 0x7F000000);
    entry.PixelsTexture.assign(4, 1);
    entry.VorlanTexture = texture;
    Internals(*root).textures.push_back(std::move(entry));
    vgx::Registered().textures.push_back(texture);
    root->CollectGarbage();
    // The host still holds it: nothing happens.
    EXPECT_EQ(Internals(*root).textures[0].Pixels.size(), 4u);
    vgx::test::ClearLog();
    std::weak_ptr<VgxTexture> watch = texture;
    texture.reset();
    root->CollectGarbage();
    EXPECT_FALSE(watch.expired());
    EXPECT_TRUE(Internals(*root).textures[0].Pixels.empty());
    EXPECT_TRUE(Internals(*root).textures[0].PixelsTexture.empty());
    EXPECT_EQ(watch.lock()->GetTextureName(), "wall.bmp");
    EXPECT_EQ(vgx::test::LogMessages(),
              (std::vector<std::string>{"Releasing Texture (RC=3): wall.bmp  dirt.png 0.5   "}));
    Internals(*root).textures.clear();
}

}  // namespace
