package tests;

import java.util.Hashtable;
import java.util.Vector;

/**
 * A plain program that writes through System.out alone: every print type,
 * a collection's contents, a second thread's line, and flush.
 */
public final class Console {
    private Console() {
    }

    public static void main(String[] args) throws InterruptedException {
        System.out.println("Hello from System.out");
        System.out.print(true);
        System.out.print(' ');
        System.out.print('x');
        System.out.print(' ');
        System.out.print(-42);
        System.out.print(' ');
        System.out.print(1L << 40);
        System.out.print(' ');
        System.out.print(0.5f);
        System.out.print(' ');
        System.out.println(3.25);
        System.out.println(new char[] {'c', 'h', 'a', 'r', 's'});
        System.out.println((String) null);
        Vector v = new Vector();
        for (int i = 0; i < 5; i++) {
            v.addElement("item" + i);
        }
        Hashtable h = new Hashtable();
        for (int i = 0; i < v.size(); i++) {
            h.put(v.elementAt(i), new Integer(i * i));
        }
        for (int i = 0; i < v.size(); i++) {
            String key = (String) v.elementAt(i);
            System.out.print(key);
            System.out.print(" = ");
            System.out.println(((Integer) h.get(key)).intValue());
        }
        Thread t = new Thread() {
            public void run() {
                System.out.println("from a second thread");
            }
        };
        t.start();
        t.join();
        System.out.println(System.out != System.err);
        System.out.flush();
    }
}
