#pragma once

// What an output keeps of its source's metadata. Only engine units include this header.

#include "engine/MagickImage.h"
#include "project/unitJobOptions.h"

#include <QByteArray>

// The EXIF block rebuilt with what a picture for others may carry: the colour space,
// camera, lens and exposure, copyright and the dates it was taken, with the orientation
// set to 1 (the pixels are upright). GPS position, maker notes, serial numbers, owner,
// software, comments, unique ids and the embedded thumbnail are left out. The block's
// own "Exif\0\0" lead is kept when it has one; a block that cannot be read gives nothing.
QByteArray PrivateExif(const QByteArray &exif);

// Applies the choice to every frame. Private: the EXIF block as PrivateExif makes it,
// no XMP, IPTC or Photoshop blocks, no owner or software fields of a TIFF source; the
// colour profile, copyright and dates stay. None: nothing but the colour profile.
void ApplyMetadataChoice(TMagickImage &image, TMetadata choice);
