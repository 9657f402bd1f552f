#pragma once
#include "input/folder_walk.h"

// FindFirstFileW and its kin; the identity by GetFileInformationByHandle.
const FolderListing* WindowsFolderListing();
