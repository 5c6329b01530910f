#include "dynamics/contact_list.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

static ContactRec* DefaultAlloc() { return new (std::nothrow) ContactRec; }

static ContactRecAllocator gAlloc = DefaultAlloc;

ContactRecAllocator GVSetContactRecAllocator(ContactRecAllocator alloc) {
  ContactRecAllocator old = gAlloc;
  gAlloc = alloc ? alloc : DefaultAlloc;
  return old;
}

// A collision pass that lost a contact would let Jels pass through each other
// silently; stopping is the lesser harm, but say why.
[[noreturn]] static void ContactAllocFailed() {
  std::fputs("Gelvane: out of memory for collision contacts; stopping\n", stderr);
  std::fflush(stderr);
  std::exit(1);
}

ContactStore::~ContactStore() {
  while (ContactRec* r = spareRecords) {
    spareRecords = r->next;
    delete r;
  }
  while (ContactList* l = spareLists) {
    spareLists = reinterpret_cast<ContactList*>(l->first);
    delete l;
  }
}

ContactList* GVNewContactList(ContactStore* store) {
  ContactList* list = store ? store->spareLists : nullptr;
  if (list) {
    store->spareLists = reinterpret_cast<ContactList*>(list->first);
  } else {
    list = new (std::nothrow) ContactList;
    if (!list) ContactAllocFailed();
  }
  *list = ContactList{};
  list->store = store;
  return list;
}

void GVDeleteContactList(ContactList* list) {
  if (!list) return;
  GVFreeContacts(list);
  if (ContactStore* store = list->store) {
    list->first = reinterpret_cast<ContactRec*>(store->spareLists);
    store->spareLists = list;
    return;
  }
  delete list;
}

// Gives a record back to the list's store, or to the heap.
static void ReleaseRecord(ContactList* list, ContactRec* r) {
  if (ContactStore* store = list->store) {
    r->next = store->spareRecords;
    store->spareRecords = r;
    if (store->recordsInUse > 0) store->recordsInUse -= 1;
    return;
  }
  delete r;
}

void GVReserveContactRecords(ContactStore* store, int32_t total) {
  if (!store) return;
  while (store->recordsMade < total) {
    ContactRec* r = gAlloc();
    if (!r) return;  // the appends report it when they run short
    r->next = store->spareRecords;
    store->spareRecords = r;
    store->recordsMade += 1;
  }
}

static void Set3(float* dst, const float* src) {
  dst[0] = src ? src[0] : 0.0f;
  dst[1] = src ? src[1] : 0.0f;
  dst[2] = src ? src[2] : 0.0f;
}

ContactRec* GVContactRecInit(ContactRec* r) {
  if (r) *r = ContactRec{};
  return r;
}

void GVContactListReset(ContactList* list) {
  if (!list) return;
  ContactStore* store = list->store;
  *list = ContactList{};
  list->resetMark = 1;
  list->store = store;
}

void GVFreeContacts(ContactList* list) {
  if (!list) return;
  ContactStore* store = list->store;
  if (store && list->first && list->last && !list->last->next) {
    // The whole chain goes to the spares at once.
    list->last->next = store->spareRecords;
    store->spareRecords = list->first;
    store->recordsInUse = std::max(0, store->recordsInUse - list->count);
    GVContactListReset(list);
    return;
  }
  ContactRec* r = list->first;
  while (r) {
    ContactRec* next = r->next;
    assert(next != r);
    ReleaseRecord(list, r);
    r = next;
  }
  GVContactListReset(list);
}

static void StoreCommon(ContactRec* r, HAState* first, HAState* second, int32_t a, int32_t b, int32_t face,
                        uint32_t key, float value) {
  r->nodeSide = first;
  r->faceSide = second;
  r->nodeA = a;
  r->nodeB = b;
  r->face = face;
  r->key = key;
  r->refreshWord = 0;
  r->value = value;
}

static void StoreVectors(ContactRec* r, const ContactVectors& v, bool withFaceForm) {
  Set3(r->vec1, v.v1);
  Set3(r->vec2, v.v2);
  Set3(r->vec3, v.v3);
  Set3(r->vec4, v.v4);
  if (withFaceForm) {
    Set3(r->vec5, v.v5);
    Set3(r->vec6, v.v6);
  }
}

// Links a filled record at the tail and keeps the header counts: node contacts
// for kinds 1 and 3, the position of the first edge contact for kinds 2 and 3.
static void Link(ContactList* list, ContactRec* r, int32_t kind) {
  r->next = nullptr;
  r->prev = list->last;
  if (list->last)
    list->last->next = r;
  else
    list->first = r;
  list->last = r;
  list->count += 1;
  r->serial = list->count;
  const bool countsNodes = kind == 1 || kind == 3;
  const bool marksEdges = kind == 2 || kind == 3;
  if (countsNodes && r->nodeA != 0 && r->nodeB == 0) list->nodeCount += 1;
  if (marksEdges && r->nodeA != 0 && r->nodeB != 0 && list->firstEdge == 0) list->firstEdge = list->nodeCount + 1;
}

static ContactRec* NewRecord(ContactList* list) {
  ContactStore* store = list->store;
  ContactRec* r = store ? store->spareRecords : nullptr;
  if (r) {
    store->spareRecords = r->next;
    // The spares lie apart and are cold by the time they are taken: fetch
    // the next one ahead of the next append.
    if (store->spareRecords) __builtin_prefetch(store->spareRecords, 1);
  } else {
    r = gAlloc();
    if (r && store) store->recordsMade += 1;
  }
  if (!r) ContactAllocFailed();
  if (store) {
    store->recordsInUse += 1;
    if (store->recordsInUse > store->recordsPeak) store->recordsPeak = store->recordsInUse;
  }
  return GVContactRecInit(r);
}

ContactRec* GVContactAppend(ContactList* list, HAState* first, HAState* second, int32_t kind, int32_t a,
                            int32_t b, int32_t face, uint32_t key, float value, const ContactVectors& v) {
  if (!list) return nullptr;
  ContactRec* r = NewRecord(list);
  StoreCommon(r, first, second, a, b, face, key, value);
  StoreVectors(r, v, true);
  r->extra = 0;
  Link(list, r, kind);
  return r;
}

ContactRec* GVContactAppendPair(ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                                int32_t face, float value, const ContactVectors& v, uint32_t extra) {
  if (!list) return nullptr;
  ContactRec* r = NewRecord(list);
  StoreCommon(r, first, second, a, b, face, 0, value);
  StoreVectors(r, v, false);
  r->extra = extra;
  Link(list, r, 3);
  return r;
}

static bool LastMatches(const ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                        uint32_t key) {
  const ContactRec* r = list->last;
  return r && r->nodeSide == first && r->faceSide == second && r->nodeA == a && r->nodeB == b && r->key == key;
}

float GVContactUpdateOrAppend(ContactList* list, HAState* first, HAState* second, int32_t kind, int32_t a,
                              int32_t b, int32_t face, uint32_t key, float value, const ContactVectors& v) {
  if (!list) return 0.0f;
  ContactRec* r;
  if (LastMatches(list, first, second, a, b, key)) {
    r = list->last;
    r->state = 0;
    StoreCommon(r, first, second, a, b, face, key, value);
    StoreVectors(r, v, true);
    r->extra = 0;
  } else {
    r = GVContactAppend(list, first, second, kind, a, b, face, key, value, v);
  }
  return std::fabs(r->vec2[2]);
}

float GVContactUpdateOrAppendPair(ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                                  int32_t face, float value, const ContactVectors& v, uint32_t extra,
                                  uint32_t key) {
  if (!list) return 0.0f;
  ContactRec* r;
  // Pair records carry key 0, so only a request with key 0 refreshes one.
  if (LastMatches(list, first, second, a, b, key)) {
    r = list->last;
    StoreCommon(r, first, second, a, b, face, 0, value);
    StoreVectors(r, v, false);
    r->extra = extra;
  } else {
    r = GVContactAppendPair(list, first, second, a, b, face, value, v, extra);
  }
  return std::fabs(r->vec2[2]);
}

void GVContactDropLast(ContactList* list) {
  if (!list || !list->last) return;
  ContactRec* r = list->last;
  if (r->nodeA != 0 && r->nodeB == 0) {
    if (list->nodeCount > 0) list->nodeCount -= 1;
  } else if (r->nodeA != 0 && r->nodeB != 0 && list->firstEdge != 0) {
    list->firstEdge = list->nodeCount + 1;
  }
  list->last = r->prev;
  if (list->last)
    list->last->next = nullptr;
  else
    list->first = nullptr;
  ReleaseRecord(list, r);
  if (list->count > 0) list->count -= 1;
}

int32_t GVContactDropLastIf(ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                            uint32_t key) {
  if (!list || !LastMatches(list, first, second, a, b, key)) return 0;
  GVContactDropLast(list);
  return 1;
}

int32_t GVContactDropLastNode(ContactList* list, HAState* first, int32_t a, int32_t b) {
  if (!list || !list->last) return 0;
  const ContactRec* r = list->last;
  if (r->nodeSide != first || r->nodeA != a || r->nodeB != b || r->faceSide != nullptr) return 0;
  GVContactDropLast(list);
  return 1;
}

static bool HasRecords(const ContactList* list) { return list && list->first && list->count != 0; }

void GVContactListJoin(ContactList* dest, ContactList* nodes, ContactList* edges) {
  if (!dest) return;
  assert(dest != nodes && dest != edges);
  // The destination's old records would be lost by a plain reset.
  GVFreeContacts(dest);
  const bool haveNodes = HasRecords(nodes);
  const bool haveEdges = HasRecords(edges);
  if (haveNodes && haveEdges) {
    dest->first = nodes->first;
    nodes->last->next = edges->first;
    edges->first->prev = nodes->last;
    dest->last = edges->last;
    dest->nodeCount = nodes->count;
    dest->firstEdge = edges->count != 0 ? nodes->nodeCount + 1 : 0;
    dest->count = nodes->count + edges->count;
    GVContactListReset(nodes);
    GVContactListReset(edges);
    int32_t serial = 0;
    for (ContactRec* r = dest->first; r; r = r->next) r->serial = ++serial;
  } else if (haveNodes) {
    dest->first = nodes->first;
    dest->last = nodes->last;
    dest->nodeCount = nodes->count;
    dest->firstEdge = 0;
    dest->count = nodes->count;
    GVContactListReset(nodes);
  } else if (haveEdges) {
    dest->first = edges->first;
    dest->last = edges->last;
    dest->nodeCount = 0;
    dest->firstEdge = 1;
    dest->count = edges->count;
    GVContactListReset(edges);
  }
}
