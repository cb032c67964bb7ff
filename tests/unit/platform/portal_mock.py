'''A stand-in for the desktop portal (python3-dbusmock template): RemoteDesktop and
GlobalShortcuts answering through Request objects on the paths real portals use.

Parameters:
  remote_desktop_version, global_shortcuts_version: the interfaces' "version" (0: no interface)
  refuse:        a method answered with response 1, as when the user says no
  silent:        a method whose request never gets a response
  hold:          a method whose first response waits for Answer()
  close_after_keys: the desktop closes the RemoteDesktop session after that many key events

What the clients asked is read with org.kivrano.PortalMock.Log, one line a call; Press(id)
presses and releases a bound shortcut; Answer() sends the held response.
'''

import dbus
import dbus.service
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.kivrano.PortalMock'
SYSTEM_BUS = False

REMOTE_DESKTOP = 'org.freedesktop.portal.RemoteDesktop'
GLOBAL_SHORTCUTS = 'org.freedesktop.portal.GlobalShortcuts'
REQUEST = 'org.freedesktop.portal.Request'
SESSION = 'org.freedesktop.portal.Session'


def object_path(kind, sender, token):
    return f'{MAIN_OBJ}/{kind}/{sender[1:].replace(".", "_")}/{token}'


def options_text(options):
    return ' '.join(f'{k}={options[k]}' for k in sorted(options)
                    if k not in ('handle_token', 'session_handle_token', 'shortcuts'))


def shortcuts_text(shortcuts):
    return ','.join(f'{s[0]}:{s[1].get("preferred_trigger", "")}:{s[1].get("description", "")}'
                    for s in shortcuts)


class Request(dbus.service.Object):
    # dbusmock looks every call up here first; these objects keep to dbus-python's own way.
    methods = {}

    def __init__(self, portal, path):
        super().__init__(portal.connection, path)
        self.portal = portal

    @dbus.service.method(REQUEST, in_signature='', out_signature='')
    def Close(self):
        self.portal.portal_log.append('Request.Close')
        self.remove_from_connection()

    @dbus.service.signal(REQUEST, signature='ua{sv}')
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    methods = {}

    def __init__(self, portal, path, kind):
        super().__init__(portal.connection, path)
        self.portal = portal
        self.path = path
        self.kind = kind
        self.shortcuts = []
        self.keys = 0

    @dbus.service.method(SESSION, in_signature='', out_signature='')
    def Close(self):
        self.portal.portal_log.append(f'{self.kind}.Session.Close')
        self.end()

    @dbus.service.signal(SESSION, signature='a{sv}')
    def Closed(self, details):
        pass

    def end(self):
        self.portal.sessions.pop(self.path, None)
        self.remove_from_connection()


def answer(portal, method, sender, options, results):
    '''The request object of a call, answered from the main loop after the call returns.'''
    path = object_path('request', sender, options['handle_token'])
    request = Request(portal, path)
    if portal.silent == method:
        return dbus.ObjectPath(path)
    code = 1 if portal.refuse == method else 0

    def respond():
        request.Response(dbus.UInt32(code), dbus.Dictionary(results if code == 0 else {},
                                                            signature='sv'))
        request.remove_from_connection()
        return False
    if portal.hold == method:
        portal.hold = ''
        portal.held.append(respond)
        return dbus.ObjectPath(path)
    GLib.idle_add(respond)
    return dbus.ObjectPath(path)


def new_session(portal, kind, sender, options):
    path = object_path('session', sender, options['session_handle_token'])
    session = Session(portal, path, kind)
    portal.sessions[path] = session
    return session


def session_of(portal, handle):
    session = portal.sessions.get(str(handle))
    if session is None:
        raise dbus.exceptions.DBusException('no such session',
                                            name='org.freedesktop.DBus.Error.AccessDenied')
    return session


def rd_create_session(self, options, sender=None):
    self.portal_log.append('RemoteDesktop.CreateSession')
    session = new_session(self, 'RemoteDesktop', sender, options)
    return answer(self, 'RemoteDesktop.CreateSession', sender, options,
                  {'session_handle': dbus.String(session.path)})


def rd_select_devices(self, handle, options, sender=None):
    self.portal_log.append(('RemoteDesktop.SelectDevices ' + options_text(options)).strip())
    session_of(self, handle).persist = int(options.get('persist_mode', 0))
    return answer(self, 'RemoteDesktop.SelectDevices', sender, options, {})


def rd_start(self, handle, parent_window, options, sender=None):
    self.portal_log.append('RemoteDesktop.Start')
    session = session_of(self, handle)
    results = {'devices': dbus.UInt32(1)}
    if self.rd_version >= 2 and session.persist == 2:
        self.tokens += 1
        results['restore_token'] = dbus.String(f'token-{self.tokens}')
    return answer(self, 'RemoteDesktop.Start', sender, options, results)


def rd_notify_keysym(self, handle, options, keysym, state, sender=None):
    session = session_of(self, handle)
    self.portal_log.append(f'key {keysym:#x} {"down" if state else "up"}')
    session.keys += 1
    if self.close_after_keys and session.keys >= self.close_after_keys:
        # The desktop ends the grant on its own (the user revoked it).
        session.Closed(dbus.Dictionary({}, signature='sv'))
        session.end()


def gs_create_session(self, options, sender=None):
    shortcuts = options.get('shortcuts')
    text = ' shortcuts=' + shortcuts_text(shortcuts) if shortcuts is not None else ''
    self.portal_log.append('GlobalShortcuts.CreateSession' + text)
    session = new_session(self, 'GlobalShortcuts', sender, options)
    if self.gs_version < 2 and shortcuts is not None:
        session.shortcuts = list(shortcuts)
    return answer(self, 'GlobalShortcuts.CreateSession', sender, options,
                  {'session_handle': dbus.String(session.path)})


def bound_list(session):
    return dbus.Array([dbus.Struct((s[0], dbus.Dictionary({
        'description': s[1].get('description', ''),
        'trigger_description': s[1].get('preferred_trigger', '')}, signature='sv')))
        for s in session.shortcuts], signature='(sa{sv})')


def gs_bind_shortcuts(self, handle, shortcuts, parent_window, options, sender=None):
    self.portal_log.append('GlobalShortcuts.BindShortcuts ' + shortcuts_text(shortcuts))
    session = session_of(self, handle)
    session.shortcuts = list(shortcuts)
    return answer(self, 'GlobalShortcuts.BindShortcuts', sender, options,
                  {'shortcuts': bound_list(session)})


def gs_list_shortcuts(self, handle, options, sender=None):
    self.portal_log.append('GlobalShortcuts.ListShortcuts')
    return answer(self, 'GlobalShortcuts.ListShortcuts', sender, options,
                  {'shortcuts': bound_list(session_of(self, handle))})


def control_log(self, sender=None):
    return dbus.Array(self.portal_log, signature='s')


def control_answer(self, sender=None):
    for respond in self.held:
        GLib.idle_add(respond)
    self.held = []


def control_press(self, shortcut_id, sender=None):
    for session in list(self.sessions.values()):
        if session.kind == 'GlobalShortcuts' and any(s[0] == shortcut_id for s in session.shortcuts):
            for signal in ('Activated', 'Deactivated'):
                self.EmitSignal(GLOBAL_SHORTCUTS, signal, 'osta{sv}',
                                [dbus.ObjectPath(session.path), shortcut_id, dbus.UInt64(1),
                                 dbus.Dictionary({}, signature='sv')])
            return True
    return False


def add(mock, interface, name, in_sig, out_sig, implementation):
    method = dbus.service.method(interface, in_signature=in_sig, out_signature=out_sig,
                                 sender_keyword='sender')(implementation)
    mock.methods.setdefault(interface, {})[name] = (in_sig, out_sig, '', method)


def load(mock, parameters):
    mock.portal_log = []
    mock.sessions = {}
    mock.tokens = 0
    mock.rd_version = int(parameters.get('remote_desktop_version', 2))
    mock.gs_version = int(parameters.get('global_shortcuts_version', 1))
    mock.refuse = parameters.get('refuse', '')
    mock.silent = parameters.get('silent', '')
    mock.close_after_keys = int(parameters.get('close_after_keys', 0))
    mock.hold = parameters.get('hold', '')
    mock.held = []

    add(mock, MAIN_IFACE, 'Log', '', 'as', control_log)
    add(mock, MAIN_IFACE, 'Press', 's', 'b', control_press)
    add(mock, MAIN_IFACE, 'Answer', '', '', control_answer)
    if mock.rd_version:
        mock.AddProperties(REMOTE_DESKTOP, {'version': dbus.UInt32(mock.rd_version),
                                            'AvailableDeviceTypes': dbus.UInt32(7)})
        add(mock, REMOTE_DESKTOP, 'CreateSession', 'a{sv}', 'o', rd_create_session)
        add(mock, REMOTE_DESKTOP, 'SelectDevices', 'oa{sv}', 'o', rd_select_devices)
        add(mock, REMOTE_DESKTOP, 'Start', 'osa{sv}', 'o', rd_start)
        add(mock, REMOTE_DESKTOP, 'NotifyKeyboardKeysym', 'oa{sv}iu', '', rd_notify_keysym)
    if mock.gs_version:
        mock.AddProperties(GLOBAL_SHORTCUTS, {'version': dbus.UInt32(mock.gs_version)})
        add(mock, GLOBAL_SHORTCUTS, 'CreateSession', 'a{sv}', 'o', gs_create_session)
        add(mock, GLOBAL_SHORTCUTS, 'BindShortcuts', 'oa(sa{sv})sa{sv}', 'o', gs_bind_shortcuts)
        add(mock, GLOBAL_SHORTCUTS, 'ListShortcuts', 'oa{sv}', 'o', gs_list_shortcuts)
