// Visiting every language leaf of a resource tree in tree order (types, their names, the
// languages of each name), for walks over a whole tree (differences, reports).
#pragma once

#include "DataResItem.h"
#include "ResourceTree.h"

template <class Visit>
void ForEachLeaf(TResourceList& root, Visit visit) {
  for (int t = 0; t < root.Count(); ++t) {
    TResourceList& names = *root.ListItem(t)->GetSubList();
    for (int n = 0; n < names.Count(); ++n) {
      TResourceList& languages = *names.ListItem(n)->GetSubList();
      for (int l = 0; l < languages.Count(); ++l) visit(*languages.DataItem(l));
    }
  }
}
