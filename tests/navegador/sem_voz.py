"""A speech server for Orca that says nothing, so that the browser test needs no sound device:
Orca still writes what it would say to its debug log (SPEECH OUTPUT), which the test reads.
Orca loads it by the module name in its settings (speechServerFactory)."""


class SpeechServer:
    @staticmethod
    def getSpeechServer(_info=None):
        return SpeechServer()

    @staticmethod
    def getSpeechServers():
        return [SpeechServer()]

    @staticmethod
    def getFactoryName():
        return "sem voz"

    @staticmethod
    def shutdownActiveServers():
        pass

    def getInfo(self):
        return ["sem voz", "sem voz"]

    def getVoiceFamilies(self):
        return []

    def __getattr__(self, _nome):
        return lambda *_argumentos, **_nomeados: None
