#pragma once

#include <QString>

// The one order of tokens on a level, shared by the carousel's current images and the Token
// Manager's tree: by caption ignoring letter case, then by caption with it, then by key.
namespace TokenOrder {

bool SortsBefore(const QString& pLeftCaption, const QString& pLeftKey, const QString& pRightCaption,
                 const QString& pRightKey);

// The same order for image keys, each a caption followed by its token's key ("Games" + "ID12"):
// "Foo" + "ID3" comes before "Foo Bar" + "ID2", as in the tree.
bool ImageKeySortsBefore(const QString& pLeft, const QString& pRight);

} // namespace TokenOrder
