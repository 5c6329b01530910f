// Collision contacts remembered from one pass to the next: a contact record per
// touching node (or node pair) and face, kept in doubly linked lists whose
// headers count node contacts and mark where the edge contacts begin.
//
// A list owns its records; joining lists moves records and empties the
// sources, so a record is never reachable from two lists.
#pragma once

#include <cstdint>

class HAState;

struct ContactRec {
  uint32_t state = 0;          // cleared on creation and on a node-face refresh
  HAState* nodeSide = nullptr; // first party: the state owning the node or nodes
  HAState* faceSide = nullptr; // second party: the state owning the face (null for a node-only record)
  int32_t nodeA = 0;           // first element
  int32_t nodeB = 0;           // second element: 0 for a single node, else an edge contact
  int32_t face = 0;            // face or element index on the second party
  uint32_t refreshWord = 0;    // cleared on creation and on refresh
  uint32_t key = 0;            // a record matches only a request with the same key
  float vec2[3] = {};          // second vector given on creation
  float value = 0.0f;          // depth or distance given on creation
  float massRatio = 0.0f;      // written by the collision response
  float weight = 0.0f;         // written by the collision response
  float vec1[3] = {};          // first vector given on creation
  float vec3[3] = {};
  float vec4[3] = {};
  float faceMass = 0.0f;
  float invFaceMass = 0.0f;
  float faceCentre[3] = {};
  float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float corr[3] = {};
  uint32_t active = 0;         // not set on creation
  int32_t word41 = 0;
  float vec5[3] = {};          // node-face form only
  float vec6[3] = {};          // node-face form only
  uint32_t extra = 0;          // 0 in the node-face form, the caller's word in the pair form
  float work[6] = {};
  int32_t word55 = 0;
  float word56 = 0.0f;
  int32_t word57 = 0;
  int32_t serial = 0;          // count just after the append; 1..n along the list after a join
  ContactRec* next = nullptr;
  ContactRec* prev = nullptr;
};

// Records and list headers kept for reuse by the lists of one world, so that a
// running scene's contacts allocate nothing once the store has grown to them.
// Chains through ContactRec::next and ContactList::first.
struct ContactStore {
  ContactStore() = default;
  ~ContactStore();  // frees the spares
  ContactStore(const ContactStore&) = delete;
  ContactStore& operator=(const ContactStore&) = delete;
  ContactRec* spareRecords = nullptr;
  struct ContactList* spareLists = nullptr;
  int32_t recordsMade = 0;   // records allocated for lists of this store
  int32_t recordsInUse = 0;  // taken from it and not yet given back
  int32_t recordsPeak = 0;   // most in use at once
};

// Allocates spare records until the store has made at least total, so that
// lists drawing on it allocate nothing until more are in use at once.
void GVReserveContactRecords(ContactStore* store, int32_t total);

struct ContactList {
  ContactRec* first = nullptr;
  ContactRec* last = nullptr;
  int32_t spare[4] = {};   // zero after a reset; read by no list operation
  int32_t resetMark = 1;   // 1 after every reset
  int32_t nodeCount = 0;   // records appended with a first element and no second element
  int32_t firstEdge = 0;   // 1-based position of the first edge contact, 0 while there is none
  int32_t count = 0;
  ContactStore* store = nullptr;  // where freed records go and new ones come from; kept by a reset
};

// Vectors handed to an append or refresh; any of them may be null (zero).
struct ContactVectors {
  const float* v1 = nullptr;
  const float* v2 = nullptr;
  const float* v3 = nullptr;
  const float* v4 = nullptr;
  const float* v5 = nullptr;
  const float* v6 = nullptr;
};

// Zeroes every word, identity matrix; returns the record.
ContactRec* GVContactRecInit(ContactRec* r);
// Header to the empty state (does not free).
void GVContactListReset(ContactList* list);
// Frees every record, then resets.
void GVFreeContacts(ContactList* list);

// Node-face form. kind 1 or 3 counts node contacts, kind 2 or 3 marks the first
// edge contact; the kind itself is not stored.
ContactRec* GVContactAppend(ContactList* list, HAState* first, HAState* second, int32_t kind, int32_t a,
                            int32_t b, int32_t face, uint32_t key, float value, const ContactVectors& v);
// Pair form (Jel against Jel): key 0, vectors 5 and 6 zero, the extra word kept.
ContactRec* GVContactAppendPair(ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                                int32_t face, float value, const ContactVectors& v, uint32_t extra);
// Refresh the last record when parties, elements and key agree, else append.
// Both return |third component of vector 2| as stored.
float GVContactUpdateOrAppend(ContactList* list, HAState* first, HAState* second, int32_t kind, int32_t a,
                              int32_t b, int32_t face, uint32_t key, float value, const ContactVectors& v);
float GVContactUpdateOrAppendPair(ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                                  int32_t face, float value, const ContactVectors& v, uint32_t extra,
                                  uint32_t key);

void GVContactDropLast(ContactList* list);
int32_t GVContactDropLastIf(ContactList* list, HAState* first, HAState* second, int32_t a, int32_t b,
                            uint32_t key);
int32_t GVContactDropLastNode(ContactList* list, HAState* first, int32_t a, int32_t b);

// dest = node list followed by edge list; the sources are emptied. dest's own
// records are freed first (dest may not be one of the sources).
void GVContactListJoin(ContactList* dest, ContactList* nodes, ContactList* edges);

// A new, reset list header on the heap or from the store (release with
// GVDeleteContactList), drawing on the store for its records. Running out of
// memory here ends the program like a record allocation does.
ContactList* GVNewContactList(ContactStore* store = nullptr);
// Frees the records and the header (to the list's store when it has one);
// nothing for null.
void GVDeleteContactList(ContactList* list);

// A record allocator returning null makes every append end the program with a
// message on stderr and exit status 1: collision code cannot go on without its
// records. Records are released with delete, so an allocator must hand out
// records made with new. A list with a store takes its spare records first. Returns the previous allocator; null restores the
// default.
using ContactRecAllocator = ContactRec* (*)();
ContactRecAllocator GVSetContactRecAllocator(ContactRecAllocator alloc);
