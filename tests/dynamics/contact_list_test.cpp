#include "dynamics/contact_list.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

// The list code only compares parties; two distinct addresses stand in for states.
int gStateA, gStateB;
HAState* const A = reinterpret_cast<HAState*>(&gStateA);
HAState* const B = reinterpret_cast<HAState*>(&gStateB);

struct ListGuard {
  ContactList list;
  ListGuard() { GVContactListReset(&list); }
  ~ListGuard() { GVFreeContacts(&list); }
};

// Walks the list both ways and checks the links against the header.
std::vector<const ContactRec*> Walk(const ContactList& l) {
  std::vector<const ContactRec*> fwd;
  const ContactRec* prev = nullptr;
  for (const ContactRec* r = l.first; r; r = r->next) {
    EXPECT_EQ(r->prev, prev);
    fwd.push_back(r);
    prev = r;
  }
  EXPECT_EQ(l.last, prev);
  EXPECT_EQ(static_cast<int32_t>(fwd.size()), l.count);
  return fwd;
}

ContactVectors Vecs(const float* v1, const float* v2) {
  ContactVectors v;
  v.v1 = v1;
  v.v2 = v2;
  return v;
}

TEST(ContactListTest, FreshRecordIsZeroWithIdentityMatrix) {
  ContactRec r;
  r.nodeA = 7;
  r.vec5[1] = 3.0f;
  r.matrix[1] = 5.0f;
  GVContactRecInit(&r);
  EXPECT_EQ(r.nodeA, 0);
  EXPECT_EQ(r.vec5[1], 0.0f);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(r.matrix[i], (i % 4 == 0) ? 1.0f : 0.0f) << i;
  EXPECT_EQ(r.next, nullptr);
}

TEST(ContactListTest, AppendToEmptyListBecomesFirstAndLastWithSerialOne) {
  ListGuard g;
  const float n[3] = {0, 1, 0}, v2[3] = {0.2f, 0.3f, -0.5f};
  ContactRec* r = GVContactAppend(&g.list, A, B, 1, 4, 0, 9, 0, 0.25f, Vecs(n, v2));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(g.list.first, r);
  EXPECT_EQ(g.list.last, r);
  EXPECT_EQ(r->serial, 1);
  EXPECT_EQ(g.list.count, 1);
  EXPECT_EQ(g.list.nodeCount, 1);
  EXPECT_EQ(g.list.firstEdge, 0);
  EXPECT_EQ(r->face, 9);
  EXPECT_EQ(r->value, 0.25f);
  EXPECT_EQ(r->vec1[1], 1.0f);
  EXPECT_EQ(r->vec2[2], -0.5f);
  EXPECT_EQ(r->extra, 0u);
}

// Counts by kind: 1 counts node contacts only, 2 marks edges only, 3 both, 0 neither.
TEST(ContactListTest, KindsDecideWhichCountsMove) {
  struct Case {
    int32_t kind;
    int32_t wantNodes;
    int32_t wantFirstEdge;
  } cases[] = {{0, 0, 0}, {1, 2, 0}, {2, 0, 1}, {3, 2, 3}};
  for (const Case& c : cases) {
    ListGuard g;
    GVContactAppend(&g.list, A, B, c.kind, 1, 0, 1, 0, 0, {});
    GVContactAppend(&g.list, A, B, c.kind, 2, 0, 1, 0, 0, {});
    GVContactAppend(&g.list, A, B, c.kind, 3, 4, 1, 0, 0, {});
    GVContactAppend(&g.list, A, B, c.kind, 5, 6, 1, 0, 0, {});
    EXPECT_EQ(g.list.nodeCount, c.wantNodes) << "kind " << c.kind;
    EXPECT_EQ(g.list.firstEdge, c.wantFirstEdge) << "kind " << c.kind;
    EXPECT_EQ(g.list.count, 4);
    Walk(g.list);
  }
}

TEST(ContactListTest, NodeContactAfterEdgesStillCountsAndKeepsEdgeStart) {
  ListGuard g;
  GVContactAppendPair(&g.list, A, B, 1, 0, 1, 0, {}, 2);
  GVContactAppendPair(&g.list, A, B, 2, 3, 1, 0, {}, 2);
  GVContactAppendPair(&g.list, A, B, 4, 0, 1, 0, {}, 2);
  EXPECT_EQ(g.list.nodeCount, 2);
  EXPECT_EQ(g.list.firstEdge, 2);
  EXPECT_EQ(g.list.last->serial, 3);
  EXPECT_EQ(g.list.last->extra, 2u);
  EXPECT_EQ(g.list.last->key, 0u);
}

TEST(ContactListTest, UpdateRefreshesOnlyAMatchingLastRecord) {
  ListGuard g;
  const float first[3] = {1, 2, 3}, second[3] = {4, 5, -6};
  GVContactAppend(&g.list, A, B, 1, 4, 0, 1, 7, 0.1f, Vecs(first, first));
  g.list.last->state = 99;
  g.list.last->refreshWord = 5;
  EXPECT_EQ(GVContactUpdateOrAppend(&g.list, A, B, 1, 4, 0, 2, 7, 0.2f, Vecs(second, second)), 6.0f);
  EXPECT_EQ(g.list.count, 1);
  EXPECT_EQ(g.list.nodeCount, 1);
  EXPECT_EQ(g.list.last->face, 2);
  EXPECT_EQ(g.list.last->value, 0.2f);
  EXPECT_EQ(g.list.last->state, 0u);
  EXPECT_EQ(g.list.last->refreshWord, 0u);
  EXPECT_EQ(g.list.last->serial, 1);

  // Same parties and elements but another non-zero key: a new record.
  GVContactUpdateOrAppend(&g.list, A, B, 1, 4, 0, 2, 8, 0.2f, Vecs(second, second));
  EXPECT_EQ(g.list.count, 2);
  // Another node: a new record, and only the last one is ever looked at.
  GVContactUpdateOrAppend(&g.list, A, B, 1, 5, 0, 2, 8, 0.2f, {});
  GVContactUpdateOrAppend(&g.list, A, B, 1, 4, 0, 2, 8, 0.2f, {});
  EXPECT_EQ(g.list.count, 4);
  Walk(g.list);
}

TEST(ContactListTest, PairUpdateMatchesOnlyKeyZero) {
  ListGuard g;
  const float v2[3] = {0.1f, 0.9f, 0.3f};
  GVContactUpdateOrAppendPair(&g.list, A, B, 3, 0, 5, 0.5f, Vecs(nullptr, v2), 1, 0);
  EXPECT_EQ(GVContactUpdateOrAppendPair(&g.list, A, B, 3, 0, 6, 0.6f, Vecs(nullptr, v2), 2, 0), 0.3f);
  EXPECT_EQ(g.list.count, 1);
  EXPECT_EQ(g.list.last->face, 6);
  EXPECT_EQ(g.list.last->extra, 2u);
  // A wheel half as key never matches a stored pair record (key 0): append.
  GVContactUpdateOrAppendPair(&g.list, A, B, 3, 0, 7, 0.6f, {}, 2, 1);
  EXPECT_EQ(g.list.count, 2);
  EXPECT_EQ(g.list.last->key, 0u);
  EXPECT_EQ(g.list.nodeCount, 2);
}

TEST(ContactListTest, DropsFromEmptyListChangeNothing) {
  ListGuard g;
  GVContactDropLast(&g.list);
  EXPECT_EQ(GVContactDropLastIf(&g.list, A, B, 1, 0, 0), 0);
  EXPECT_EQ(GVContactDropLastNode(&g.list, A, 1, 0), 0);
  EXPECT_EQ(g.list.count, 0);
  EXPECT_EQ(g.list.resetMark, 1);
  EXPECT_EQ(g.list.first, nullptr);
}

TEST(ContactListTest, DropLastKeepsLinksAndCounts) {
  ListGuard g;
  GVContactAppend(&g.list, A, B, 3, 1, 0, 1, 0, 0, {});
  GVContactAppend(&g.list, A, B, 3, 2, 0, 1, 0, 0, {});
  GVContactAppend(&g.list, A, B, 3, 2, 3, 1, 0, 0, {});
  EXPECT_EQ(g.list.firstEdge, 3);

  EXPECT_EQ(GVContactDropLastIf(&g.list, A, B, 2, 3, 1), 0);  // key differs
  EXPECT_EQ(GVContactDropLastIf(&g.list, B, A, 2, 3, 0), 0);  // parties swapped
  EXPECT_EQ(GVContactDropLastIf(&g.list, A, B, 2, 3, 0), 1);
  EXPECT_EQ(g.list.count, 2);
  EXPECT_EQ(g.list.nodeCount, 2);
  Walk(g.list);

  // The node-only drop needs an empty second party.
  EXPECT_EQ(GVContactDropLastNode(&g.list, A, 2, 0), 0);
  GVContactAppend(&g.list, A, nullptr, 1, 6, 0, 1, 0, 0, {});
  EXPECT_EQ(GVContactDropLastNode(&g.list, A, 6, 0), 1);

  GVContactDropLast(&g.list);
  GVContactDropLast(&g.list);
  EXPECT_EQ(g.list.first, nullptr);
  EXPECT_EQ(g.list.last, nullptr);
  EXPECT_EQ(g.list.count, 0);
  EXPECT_EQ(g.list.nodeCount, 0);
  // Appending again after emptying starts over at serial 1.
  EXPECT_EQ(GVContactAppend(&g.list, A, B, 1, 1, 0, 1, 0, 0, {})->serial, 1);
}

TEST(ContactListTest, FreeEmptiesAndResets) {
  ListGuard g;
  for (int i = 1; i <= 5; ++i) GVContactAppend(&g.list, A, B, 3, i, 0, 1, 0, 0, {});
  g.list.resetMark = 0;
  g.list.spare[2] = 4;
  GVFreeContacts(&g.list);
  EXPECT_EQ(g.list.first, nullptr);
  EXPECT_EQ(g.list.count, 0);
  EXPECT_EQ(g.list.nodeCount, 0);
  EXPECT_EQ(g.list.spare[2], 0);
  EXPECT_EQ(g.list.resetMark, 1);
}

struct JoinCase {
  const char* name;
  int nodes;
  int edges;
  int32_t wantNodeCount;
  int32_t wantFirstEdge;
};

void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.name; }

class ContactJoinTest : public testing::TestWithParam<JoinCase> {};

TEST_P(ContactJoinTest, JoinMovesRecordsRenumbersAndEmptiesSources) {
  const JoinCase& c = GetParam();
  ListGuard dest, nodes, edges;
  // The destination's old records must be released by the join (ASan checks).
  for (int i = 0; i < 3; ++i) GVContactAppend(&dest.list, B, A, 3, 9, 0, 1, 0, 0, {});
  for (int i = 0; i < c.nodes; ++i) GVContactAppendPair(&nodes.list, A, B, i + 1, 0, 1, 0, {}, 1);
  for (int i = 0; i < c.edges; ++i) GVContactAppendPair(&edges.list, A, B, i + 1, i + 2, 1, 0, {}, 1);

  GVContactListJoin(&dest.list, &nodes.list, &edges.list);

  const auto recs = Walk(dest.list);
  ASSERT_EQ(static_cast<int>(recs.size()), c.nodes + c.edges);
  for (size_t i = 0; i < recs.size(); ++i) {
    EXPECT_EQ(recs[i]->serial, static_cast<int32_t>(i + 1));
    EXPECT_EQ(recs[i]->nodeB != 0, static_cast<int>(i) >= c.nodes);  // node contacts first
  }
  EXPECT_EQ(dest.list.nodeCount, c.wantNodeCount);
  EXPECT_EQ(dest.list.firstEdge, c.wantFirstEdge);
  EXPECT_EQ(dest.list.resetMark, 1);
  for (const ContactList* src : {&nodes.list, &edges.list}) {
    EXPECT_EQ(src->first, nullptr);
    EXPECT_EQ(src->last, nullptr);
    EXPECT_EQ(src->count, 0);
    EXPECT_EQ(src->resetMark, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ContactJoinTest,
                         testing::Values(JoinCase{"both", 3, 2, 3, 4}, JoinCase{"nodesOnly", 2, 0, 2, 0},
                                         JoinCase{"edgesOnly", 0, 3, 0, 1}, JoinCase{"neither", 0, 0, 0, 0}),
                         [](const testing::TestParamInfo<JoinCase>& i) { return i.param.name; });

TEST(ContactListTest, JoinWithMissingEdgeListTakesTheNodes) {
  ListGuard dest, nodes;
  GVContactAppend(&nodes.list, A, B, 1, 1, 0, 1, 0, 0, {});
  GVContactListJoin(&dest.list, &nodes.list, nullptr);
  EXPECT_EQ(dest.list.count, 1);
  EXPECT_EQ(nodes.list.count, 0);
  GVContactListJoin(&dest.list, nullptr, nullptr);
  EXPECT_EQ(dest.list.count, 0);
  EXPECT_EQ(dest.list.first, nullptr);
}

ContactRec* FailingAlloc() { return nullptr; }

TEST(ContactListDeathTest, AllocationFailureStopsWithAMessage) {
  ListGuard g;
  EXPECT_EXIT(
      {
        GVSetContactRecAllocator(FailingAlloc);
        GVContactAppend(&g.list, A, B, 1, 1, 0, 1, 0, 0, {});
      },
      testing::ExitedWithCode(1), "out of memory for collision contacts");
  // The parent's allocator is untouched by the child.
  EXPECT_NE(GVContactAppend(&g.list, A, B, 1, 1, 0, 1, 0, 0, {}), nullptr);
}

}  // namespace
