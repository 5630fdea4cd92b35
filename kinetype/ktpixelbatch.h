// The per-pixel work of the pre-step, run side by side on the worker pool (platform/kernel/workpool.h).
//
// A renderer whose pixels depend only on its own mask, parameters and a known number of random draws
// does, at its own turn in the pre-step, what has to happen in order (its draws that decide state, the
// reservation of the rest) and queues itself here with what the pixel loop needs taken by value: the
// global generator is moved past the reserved draws at once, and the loop later draws them from a
// copy that starts where they begin. The book runs the queue when the pre-step's listeners are done
// (KTFinishPixels), before the step and before any draw. The results are those of running each loop
// at its turn.
//
// A queued renderer must not have its mask read, rebuilt or freed before its work has run: every such
// path of the mask renderers calls WaitPixels first, which runs the whole queue at once when the
// renderer is in it. A renderer destroyed while queued is taken out of the queue, its work not run.
// Queued work only ever runs on the thread that calls KTFinishPixels and the pool's threads while that
// call lasts.
#pragma once

#include <cstddef>
#include <cstdint>

class CKTMaskRenderer;

// Queues p's pixel work (CKTMaskRenderer::RunQueuedPixels) with a rough cost in inner-loop steps; small
// batches stay on the calling thread.
void KTQueuePixels(CKTMaskRenderer* p, size_t nCost);
// Runs every queued renderer's work and returns when all of it is done; nothing when the queue is empty.
// When a renderer's work throws, the others' still runs, no renderer stays marked as queued, and the
// first exception is rethrown at the end.
void KTFinishPixels();
// Takes p's work out of the queue without running it: for a renderer being destroyed.
void KTCancelPixels(CKTMaskRenderer* p);
// Counts the batches run: what a renderer shares with the other queued work of its batch (computed
// values, say) is good until this changes.
uint64_t KTPixelBatchNumber();
// The smallest batch cost handed to the pool (smaller ones run on the calling thread); returns the
// previous value. For tests, which send even small scenes through the pool.
size_t KTSetMinParallelCost(size_t nCost);
