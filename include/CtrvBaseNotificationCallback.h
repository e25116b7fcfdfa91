// SPDX-License-Identifier: MIT
#ifndef CTRV_BASE_NOTIFICATION_CALLBACK_H
#define CTRV_BASE_NOTIFICATION_CALLBACK_H

/// @file CtrvBaseNotificationCallback.h
/// The interface through which a notificator reaches one subscriber.

#include <boost/shared_ptr.hpp>
#include <typeinfo>

#include "trvExport.h"

class CtrvNotification;

/// One subscription's link to its receiver. The notificator never knows the
/// receiver's class: it drives the callback through these operations and
/// compares receivers by address. A callback lives as long as its last owner
/// (a subscription table, a dispatch in progress, or anyone else holding it).
class TRV_API CtrvBaseNotificationCallback {
 public:
  /// The interface has no state: construction and copies do nothing.
  CtrvBaseNotificationCallback() = default;
  /// Copies nothing (the interface has no state).
  CtrvBaseNotificationCallback(const CtrvBaseNotificationCallback&) = default;
  /// Copies nothing (the interface has no state).
  CtrvBaseNotificationCallback& operator=(const CtrvBaseNotificationCallback&) = default;
  /// Destroyed when its last owner releases it.
  virtual ~CtrvBaseNotificationCallback();

  /// Hands the notification to the receiver while the callback is active;
  /// does nothing while it is inactive. The notificator calls it for every
  /// callback it gathered, active or not.
  virtual void deliver(const boost::shared_ptr<const CtrvNotification>& notification) = 0;
  /// The address of the receiving object, compared with the receiver given
  /// to CtrvNotificator::unsubscribe and shown in traces (null: none shown).
  virtual void* receiver() const = 0;
  /// True while deliver() would reach the receiver.
  virtual bool isActive() const = 0;
  /// Switches delivery on or off; unsubscribing switches it off.
  virtual void setActive(bool active) = 0;

  /// The class of the receiver for traces (its dynamic class when known), or
  /// null when unknown, which traces show as "?". Null unless overridden.
  virtual const std::type_info* receiverClass() const;
};

#endif
