// The Jel-against-Jel search's shortcuts lose nothing: a pile searched with
// the marks kept between back-to-back searches, with the reach box of the
// face centres and the node bounds, and with faces turned away by their
// slabs, finds the same records in the same order, and leaves the same node
// marks, as searches that clear and re-mark every time and project every
// near face of every item.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "collision_scene.h"
#include "dynamics/collision_response.h"
#include "dynamics/collision_tests.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/contact_list.h"
#include "dynamics/contact_nodes.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

// What a search leaves: every record's parties, elements and vectors in
// list order, then every node's Geo-contact mark.
std::vector<float> Outcome(HWorld* world, const std::vector<HObject*>& jels) {
  std::vector<float> out;
  for (int l = 0; l < 2; ++l)
    for (const ContactRec* r = world->contacts[l].first; r; r = r->next) {
      for (size_t k = 0; k < jels.size(); ++k) {
        if (jels[k]->state == r->nodeSide) out.push_back(float(k));
        if (jels[k]->state == r->faceSide) out.push_back(float(k));
      }
      out.insert(out.end(), {float(r->nodeA), float(r->nodeB), float(r->face), r->value, float(r->extra)});
      out.insert(out.end(), r->vec1, r->vec1 + 3);
      out.insert(out.end(), r->vec2, r->vec2 + 3);
      out.insert(out.end(), r->vec3, r->vec3 + 3);
    }
  for (HObject* j : jels)
    for (int32_t i = 0; i <= j->state->nodeCount; ++i)
      out.push_back((j->state->contactFlags[i] & kGeoContactMark) ? 1.0f : 0.0f);
  return out;
}

// Every ordered pair as the group-against-itself set-up takes them.
void SearchAll(HWorld* world, const std::vector<HObject*>& jels, bool kept, bool reachBox) {
  for (int l = 0; l < 2; ++l) GVFreeContacts(&world->contacts[l]);
  for (HObject* j : jels) GVClearGeoContactMarks(j->state);
  if (!reachBox)
    for (HObject* j : jels) {
      HAState* s = j->state;
      GVEnsureFaceGrid(s);
      s->faceSlabs.clear();
      s->contactStatus[1] = 1;
      for (int a = 0; a < 3; ++a) {
        s->faceCentreBox[a] = s->nodeBox[a] = -INFINITY;
        s->faceCentreBox[3 + a] = s->nodeBox[3 + a] = INFINITY;
      }
    }
  world->keptMarks.batch = kept;
  world->keptMarks.valid = false;
  for (HObject* a : jels)
    for (HObject* b : jels) {
      if (a->id >= b->id) continue;
      GVJelJelContactSearch(world, &world->contacts[0], &world->contacts[1], a->state, b->state, 2, 2, 0.0f, 0.0f, 2);
      GVJelJelContactSearch(world, &world->contacts[0], &world->contacts[1], b->state, a->state, 2, 2, 0.0f, 0.0f, 2);
    }
  world->keptMarks.batch = false;
  if (!reachBox)
    for (HObject* j : jels) j->state->contactStatus[0] = j->state->contactStatus[1] = 0;  // the next search refills the true boxes
}

TEST(CollisionSearchShortcuts, KeptMarksAndTheReachBoxFindWhatTheFullSearchFinds) {
  const WorldServices saved = GVWorldServices();
  WorldServices services = saved;
  GVInstallCollisionServices(&services);
  GVSetWorldServices(services);
  SceneRunner scene;
  scene.subSteps = 4;
  // Three Jels side by side on a floor, three falling across them.
  for (int k = 0; k < 6; ++k) {
    const float corner[3] = {0.9f * (k % 3) + 0.3f * (k / 3), 0.01f + 1.0f * (k / 3), 0.15f * (k % 2)};
    HObject* jel = NewBlockJel(3, 3, 3, 0.25f, k + 1, corner);
    MatterProps m;
    m.forceY = -9.8f;
    m.friction = 0.3f;
    SetJelMatter(jel, m);
    scene.add(jel);
  }
  const float walls[6] = {-5.0f, 5.0f, 0.0f, 10.0f, -5.0f, 5.0f};
  int compared = 0, withContacts = 0;
  scene.work = [&]() {
    HWorld* w = &scene.world;
    SearchAll(w, scene.jels, false, false);
    const std::vector<float> full = Outcome(w, scene.jels);
    SearchAll(w, scene.jels, true, true);
    EXPECT_EQ(Outcome(w, scene.jels), full) << "sub-step " << compared;
    withContacts += w->contacts[0].count > 0 ? 1 : 0;
    ++compared;
    // The scene goes on under the real set-up.
    for (int l = 0; l < 2; ++l) GVFreeContacts(&w->contacts[l]);
    GVSetupJelCollision(w, -1, -1, 1, 1, 0.0f, 0.0f, 2);
    GVSelWalls(w, -1, 1, walls);
  };
  for (int f = 0; f < 40; ++f) scene.frame();
  EXPECT_EQ(compared, 160);
  EXPECT_GT(withContacts, 80);  // the Jels fell onto each other
  GVSetWorldServices(saved);
}

}  // namespace
