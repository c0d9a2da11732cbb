#pragma once
// The texture registries' share of the garbage collection.

namespace vgx {

// The texture step of the garbage collection: releases the texture objects of the
// library registry that only the registry holds, and erases the pixels of entries
// whose texture object only its entry still holds.
void CollectTextures();

}  // namespace vgx
