#include "kinetype/ktparticle.h"

CKTParticle::~CKTParticle() = default;
