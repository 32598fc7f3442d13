#pragma once
// One registration function per group of endpoints (see StandinSite.h).
namespace pw::standin {

class StandinSite;

// The login check, the login validation and the avatar.
void registerLoginEndpoints(StandinSite& site);
// Book information, bought chapters, chapter files, paid chapters, covers.
void registerBookEndpoints(StandinSite& site);
// Shelves, bookmarks, favourites, the update poll, the update descriptor, the
// install report and the statistics beacon.
void registerAccountEndpoints(StandinSite& site);
// The store: lists, rankings, categories, search, details, the user's site
// shelves, adding to the shelf, and the store's icons.
void registerStoreEndpoints(StandinSite& site);

// Paid chapters: their price, the list on sale and the purchase, against a
// balance per account.
void registerPurchaseEndpoints(StandinSite& site);

// Reader interactions on the interaction host: the state of a book's seven
// pages and the sends, against tickets and a balance per account.
void registerInteractionEndpoints(StandinSite& site);

// The readers' feedback.
void registerFeedbackEndpoints(StandinSite& site);

} // namespace pw::standin
